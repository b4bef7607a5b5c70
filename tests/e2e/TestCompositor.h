#pragma once
// picom on a test's X display, for the tests that look at the program with a compositor.
#include "support/ProcessHelpers.h"
#include "support/XvfbSession.h"

#include <xcb/xcb.h>
#include <QByteArray>
#include <QProcess>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace qv::test {

// Whether a compositing manager runs on `display`: something owns _NET_WM_CM_S0.
inline bool compositorRuns(const QString& display) {
  xcb_connection_t* c = xcb_connect(display.toLatin1().constData(), nullptr);
  const char name[] = "_NET_WM_CM_S0";
  auto* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
  bool owned = false;
  if (atom) {
    auto* owner = xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr);
    owned = owner && owner->owner != XCB_WINDOW_NONE;
    std::free(owner);
  }
  std::free(atom);
  xcb_disconnect(c);
  return owned;
}

// picom with the xrender backend and no configuration (it then blurs nothing and announces no
// blur). It counts as started once it owns the compositor selection, and as stopped once it let
// go of it; what it printed is kept across restarts for a failing test's message.
class TestCompositor {
 public:
  explicit TestCompositor(const XvfbSession& session) : session_(session) {}
  ~TestCompositor() { stop(); }
  TestCompositor(const TestCompositor&) = delete;
  TestCompositor& operator=(const TestCompositor&) = delete;

  // False when picom did not start or took no selection within `timeoutMs`.
  bool start(int timeoutMs = 20000) {
    process_ = std::make_unique<QProcess>();
    process_->setProcessEnvironment(session_.environment());
    process_->setProcessChannelMode(QProcess::MergedChannels);
    process_->start(QStringLiteral("picom"), {QStringLiteral("--backend"), QStringLiteral("xrender"),
                                              QStringLiteral("--config"), QStringLiteral("/dev/null")});
    return process_->waitForStarted(5000) && waitFor([&] { return compositorRuns(session_.display()); }, timeoutMs);
  }
  void stop() {
    if (!process_) return;
    process_->terminate();
    if (!process_->waitForFinished(5000)) process_->kill();
    process_->waitForFinished(3000);
    log_ += process_->readAll();
    process_.reset();
    waitFor([&] { return !compositorRuns(session_.display()); }, 10000);
  }
  bool isRunning() const { return bool(process_); }
  QByteArray log() {
    if (process_) log_ += process_->readAll();
    return log_;
  }

 private:
  const XvfbSession& session_;
  std::unique_ptr<QProcess> process_;
  QByteArray log_;
};

}  // namespace qv::test
