#include "worker_threads.hpp"

#include <exception>
#include <new>
#include <system_error>

namespace quorvel::cli {

WorkerThreads::WorkerThreads(std::size_t count, const std::function<void()>& work) {
  try {
    threads_.reserve(count);
    while (threads_.size() < count) threads_.emplace_back(work);
  } catch (const std::system_error& error) {
    startFailure_ = error.code().message();
  } catch (const std::bad_alloc&) {
    startFailure_ = "out of memory";
  }
}

void WorkerThreads::JoinAll() {
  for (std::thread& thread : threads_) {
    if (thread.joinable()) thread.join();
  }
}

}  // namespace quorvel::cli
