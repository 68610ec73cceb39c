// Two pieces of work at once: one on a thread of its own, one on the
// calling thread.
#pragma once

#include <exception>
#include <system_error>
#include <thread>

namespace strovel {

// Runs beside() on a second thread while here() runs on this one. Both
// have ended when it returns; an exception of either is rethrown then (the
// calling thread's first). Where no thread is to be had, both run here.
template <typename Here, typename Beside>
void runBeside(Here&& here, Beside&& beside) {
  std::exception_ptr error;
  std::thread thread;
  try {
    thread = std::thread([&]() noexcept {
      try {
        beside();
      } catch (...) {
        error = std::current_exception();
      }
    });
  } catch (const std::system_error&) {
    beside();
    here();
    return;
  }
  try {
    here();
  } catch (...) {
    thread.join();
    throw;
  }
  thread.join();
  if (error) std::rethrow_exception(error);
}

}  // namespace strovel
