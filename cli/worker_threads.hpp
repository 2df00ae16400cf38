// Worker threads that each run the same function. A thread the system will not start (too many
// threads, no memory for its stack) is left out and the others go on: fewer workers, never an
// abort.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace quorvel::cli {

class WorkerThreads {
 public:
  // Starts up to `count` threads running `work`, stopping at the first that cannot start.
  WorkerThreads(std::size_t count, const std::function<void()>& work);
  WorkerThreads(const WorkerThreads&) = delete;
  WorkerThreads& operator=(const WorkerThreads&) = delete;
  // Waits for the threads to finish.
  ~WorkerThreads() { JoinAll(); }

  // The threads that started.
  std::size_t size() const { return threads_.size(); }
  // Why a thread could not start; empty when all did.
  const std::string& startFailure() const { return startFailure_; }
  // Waits for the threads to finish.
  void JoinAll();

 private:
  std::vector<std::thread> threads_;
  std::string startFailure_;
};

}  // namespace quorvel::cli
