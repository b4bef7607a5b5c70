#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <vector>

namespace qv {

class FrameClock;

// Something that moves on every frame while it animates (an animated value).
class FrameClient {
 public:
  virtual ~FrameClient();
  // Advances to clock time `now` (seconds). Returns false once finished: the client is then
  // taken off the clock.
  virtual bool frame(double now) = 0;

 protected:
  friend class FrameClock;
  FrameClock* attachedClock_ = nullptr;
};

// Drives animations. It ticks only while some client is attached, so an idle program has no
// frame wake-ups. Clients attach themselves when they start animating and are dropped when
// their `frame` reports they finished (or when they detach or die).
class FrameClock : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  ~FrameClock() override;

  // Monotonic seconds; the start time of every animation begun now.
  virtual double now() const = 0;

  void attach(FrameClient* client);
  void detach(FrameClient* client);
  bool isTicking() const { return active_ > 0; }
  int clientCount() const { return active_; }
  // How many frames ticked so far: what is painted between two ticks belongs to one frame.
  quint64 frames() const { return frames_; }

 Q_SIGNALS:
  // After every frame, once all clients moved.
  void ticked();

 protected:
  // Moves every attached client to `now`.
  void tick(double now);
  virtual void startTicking() = 0;
  virtual void stopTicking() = 0;

 private:
  std::vector<FrameClient*> clients_;  // detached slots are null until the next compaction
  int active_ = 0;
  bool ticking_ = false;
  quint64 frames_ = 0;
};

// Frames from a precise timer at the primary screen's refresh rate (60 Hz when unknown).
class TimerFrameClock : public FrameClock {
  Q_OBJECT
 public:
  explicit TimerFrameClock(QObject* parent = nullptr);
  double now() const override;
  bool timerActive() const { return timer_.isActive(); }
  int intervalMs() const { return timer_.interval(); }

 protected:
  void startTicking() override;
  void stopTicking() override;

 private:
  QElapsedTimer elapsed_;
  QTimer timer_;
};

// A clock that tests move by hand.
class ManualFrameClock : public FrameClock {
  Q_OBJECT
 public:
  using FrameClock::FrameClock;
  double now() const override { return now_; }
  // Moves time forward and delivers one frame at the new time (also when nothing animates).
  void advance(double seconds);
  // Delivers `count` frames `interval` seconds apart.
  void advanceFrames(int count, double interval = 1.0 / 60);
  int framesDelivered() const { return frames_; }

 protected:
  void startTicking() override {}
  void stopTicking() override {}

 private:
  double now_ = 0;
  int frames_ = 0;
};

}  // namespace qv
