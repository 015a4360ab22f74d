#pragma once
// Keeps the machine awake while a card is written: a "sleep" inhibitor lock from logind, held
// for as long as the object lives. Without a system bus or logind it does nothing.

namespace vexo {

class SleepInhibitor {
 public:
  SleepInhibitor();
  ~SleepInhibitor();
  SleepInhibitor(const SleepInhibitor&) = delete;
  SleepInhibitor& operator=(const SleepInhibitor&) = delete;
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace vexo
