#pragma once
#include <sys/resource.h>

namespace qv::test {

// Makes every write past `bytes` into a file fail in this process (the kernel's file size
// limit, EFBIG), as a full disk would, until it goes out of scope. The signal that comes with
// such a write is ignored meanwhile.
class WriteLimit {
 public:
  explicit WriteLimit(rlim_t bytes);
  ~WriteLimit();
  WriteLimit(const WriteLimit&) = delete;
  WriteLimit& operator=(const WriteLimit&) = delete;

 private:
  rlimit before_{};
  void (*signalBefore_)(int) = nullptr;
};

}  // namespace qv::test
