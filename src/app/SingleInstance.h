#pragma once
#include <QLockFile>
#include <QString>
#include <functional>
#include <memory>

class QLocalServer;

namespace qv {

// One running program per user: a lock file in the runtime folder, held for the life of the
// process and released only after its final save. A relaunched program waits for the old one
// to let go of it; a second start while one runs tells the running one (through a local socket
// beside the lock) and leaves.
class SingleInstance {
 public:
  static constexpr char kLockFileName[] = "quorvalen.lock";
  static constexpr char kSocketFileName[] = "quorvalen.socket";
  static constexpr int kRelaunchWaitMs = 15000;
  static constexpr int kTellWaitMs = 2000;

  // The longest path a local socket can listen on (sockaddr_un holds 108 bytes with the zero).
  static constexpr int kMaxSocketPathBytes = 107;

  // The folder for the lock and the socket: `preferred` (the runtime folder) when it is, or can
  // be made, a folder that holds them, with a socket path short enough; else a private folder
  // of this user in `tempFolder` ("quorvalen-<uid>", mode 0700, owned by the user, no link).
  // Empty when neither will do; `why` then tells the reason.
  static QString chooseFolder(const QString& preferred, const QString& tempFolder, QString* why);

  // Takes the lock, waiting up to `waitMs` for another holder to finish; none when it stays
  // taken, or when the folder cannot hold a lock file: `error` then tells why (and stays empty
  // when another program holds the lock).
  static std::unique_ptr<SingleInstance> acquire(const QString& runtimeFolder, int waitMs = 0,
                                                 QString* error = nullptr);
  // From a start that found the lock taken: tells the running program that the user started it
  // again. False when nothing answered.
  static bool tellRunningInstance(const QString& runtimeFolder);

  SingleInstance(const QString& folder);
  ~SingleInstance();
  QString lockFilePath() const { return lock_.fileName(); }

  // Calls `onAnotherStart` on the main thread whenever a later start tells this one. False, with
  // `error` telling why, when the socket cannot listen.
  bool listenForAnotherStart(std::function<void()> onAnotherStart, QString* error = nullptr);

 private:
  QString folder_;
  QLockFile lock_;
  std::unique_ptr<QLocalServer> server_;
};

// The data folder's own lock, a file beside the history held for the life of the process: the
// runtime folder's lock cannot keep two programs off one history when they were started with
// different runtime folders (a second login, `sudo -E`, a script). An advisory lock of the open
// file (flock), so that it goes with the process however it ends.
class DataFolderLock {
 public:
  static constexpr char kFileName[] = "quorvalen.lock";

  // Takes the lock of `folder` (made when missing), waiting up to `waitMs` for another holder
  // (a relaunch waits for the old program's final save); none when it stays taken, or when the
  // lock file cannot be opened: `error` then tells why (and stays empty when another program
  // holds it).
  static std::unique_ptr<DataFolderLock> acquire(const QString& folder, int waitMs = 0, QString* error = nullptr);
  ~DataFolderLock();
  DataFolderLock(const DataFolderLock&) = delete;
  DataFolderLock& operator=(const DataFolderLock&) = delete;
  QString path() const { return path_; }

 private:
  DataFolderLock(QString path, int fd) : path_(std::move(path)), fd_(fd) {}
  QString path_;
  int fd_ = -1;
};

}  // namespace qv
