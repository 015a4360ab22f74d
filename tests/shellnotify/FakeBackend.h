#pragma once
// A notification backend for tests: it counts registrations and delivers what the test says.

#include "shellnotify/TSHChangeNotify.h"

namespace vexo::testing {

struct FakeBackendState {
  int starts = 0;
  int stops = 0;
  int active = 0;
  quint32 mask = 0;
  bool refuse = false;
  NotifyBackend::Deliver deliver;
};

class FakeBackend : public NotifyBackend {
 public:
  explicit FakeBackend(FakeBackendState& state) : state_(state) {}
  bool start(quint32 mask, bool, Deliver deliver) override {
    ++state_.starts;
    if (state_.refuse) return false;
    ++state_.active;
    state_.mask = mask;
    state_.deliver = std::move(deliver);
    return true;
  }
  void stop() override {
    ++state_.stops;
    if (state_.active > 0) --state_.active;
  }

 private:
  FakeBackendState& state_;
};

}  // namespace vexo::testing
