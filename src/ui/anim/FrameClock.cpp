#include "ui/anim/FrameClock.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace qv {

FrameClient::~FrameClient() {
  if (attachedClock_) attachedClock_->detach(this);
}

FrameClock::~FrameClock() {
  for (FrameClient* client : clients_)
    if (client) client->attachedClock_ = nullptr;
}

void FrameClock::attach(FrameClient* client) {
  if (!client || client->attachedClock_ == this) return;
  if (client->attachedClock_) client->attachedClock_->detach(client);
  client->attachedClock_ = this;
  clients_.push_back(client);
  if (active_++ == 0) startTicking();
}

void FrameClock::detach(FrameClient* client) {
  if (!client || client->attachedClock_ != this) return;
  client->attachedClock_ = nullptr;
  auto found = std::find(clients_.begin(), clients_.end(), client);
  if (found != clients_.end()) {
    // During a frame the list is being walked: leave a hole, compacted after the frame.
    if (ticking_) *found = nullptr;
    else clients_.erase(found);
  }
  if (--active_ == 0) stopTicking();
}

void FrameClock::tick(double now) {
  ++frames_;
  ticking_ = true;
  // Clients attached during this frame start with the next one.
  const size_t count = clients_.size();
  for (size_t i = 0; i < count; ++i) {
    FrameClient* client = clients_[i];
    if (client && !client->frame(now) && clients_[i] == client) detach(client);
  }
  ticking_ = false;
  std::erase(clients_, nullptr);
  Q_EMIT ticked();
}

TimerFrameClock::TimerFrameClock(QObject* parent) : FrameClock(parent) {
  elapsed_.start();
  double rate = 60;
  if (auto* screen = QGuiApplication::primaryScreen(); screen && screen->refreshRate() >= 30)
    rate = std::min(screen->refreshRate(), 240.0);
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setInterval(std::max(1, int(std::lround(1000.0 / rate))));
  connect(&timer_, &QTimer::timeout, this, [this] { tick(now()); });
}

double TimerFrameClock::now() const { return double(elapsed_.nsecsElapsed()) / 1e9; }

void TimerFrameClock::startTicking() { timer_.start(); }
void TimerFrameClock::stopTicking() { timer_.stop(); }

void ManualFrameClock::advance(double seconds) {
  now_ += std::max(seconds, 0.0);
  ++frames_;
  tick(now_);
}

void ManualFrameClock::advanceFrames(int count, double interval) {
  for (int i = 0; i < count; ++i) advance(interval);
}

}  // namespace qv
