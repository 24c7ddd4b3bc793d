#include "SimDeviceMemory.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <utility>

namespace probesim {

namespace {
// The memory whose worker runs on this thread, if any.
thread_local const SimDeviceMemory* t_workerOf = nullptr;
}  // namespace

SimDeviceMemory::SimDeviceMemory(std::size_t size, Completion completion, Storage storage)
    : memory_(size, 0), completion_(Completion::Synchronous), storage_(storage) {
  setCompletion(completion);
}

SimDeviceMemory::~SimDeviceMemory() {
  if (t_workerOf == this) {
    std::fputs("SimDeviceMemory destroyed on its own worker thread, from inside a completion\n",
               stderr);
    std::abort();
  }
  std::thread worker;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    worker = std::move(worker_);
  }
  wake_.notify_all();
  if (worker.joinable()) worker.join();
}

void SimDeviceMemory::bind(DataHandlerCB* callback) {
  std::lock_guard<std::mutex> lock(mutex_);
  callback_ = callback;
}

void SimDeviceMemory::setCompletion(Completion completion) {
  refuseOnWorker("setCompletion");
  std::thread stopped;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    if (completion != Completion::Threaded) {
      idle_.wait(lock, [this] { return idle(); });
      stopped = std::move(worker_);
    } else if (!worker_.joinable()) {
      worker_ = std::thread(&SimDeviceMemory::workerLoop, this);
    }
    completion_ = completion;
  }
  wake_.notify_all();
  idle_.notify_all();
  if (stopped.joinable()) stopped.join();
}

void SimDeviceMemory::setStorage(Storage storage) {
  std::lock_guard<std::mutex> lock(mutex_);
  storage_ = storage;
}

void SimDeviceMemory::load(const std::string& bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  memory_.assign(bytes.begin(), bytes.end());
}

void SimDeviceMemory::resize(std::size_t size) {
  std::lock_guard<std::mutex> lock(mutex_);
  memory_.resize(size, 0);
}

std::string SimDeviceMemory::contents() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::string(memory_.begin(), memory_.end());
}

std::size_t SimDeviceMemory::size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return memory_.size();
}

void SimDeviceMemory::readData(unsigned long offset, unsigned long length) {
  Completed completed{Completed::Read, false, offset, length, {}};
  {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(Request{Request::Read, offset, length});
    if (throwNext_) {
      throwNext_ = false;
      throw std::runtime_error("simulated read request failure");
    }
    if (failNextRead_) {
      failNextRead_ = false;
    } else if (storage_ == Storage::Text && offset == 0 && length == kWholeText) {
      auto end = std::find(memory_.begin(), memory_.end(), 0);
      completed.bytes.assign(memory_.begin(), end);
      completed.length = static_cast<unsigned long>(completed.bytes.size());
      completed.ok = true;
    } else if (offset <= memory_.size() && length <= memory_.size() - offset) {
      completed.bytes.assign(memory_.begin() + static_cast<std::ptrdiff_t>(offset),
                             memory_.begin() + static_cast<std::ptrdiff_t>(offset + length));
      completed.ok = true;
    }
  }
  complete(std::move(completed));
}

void SimDeviceMemory::saveData(unsigned long offset, unsigned long length,
                               boost::shared_array<unsigned char> data) {
  Completed completed{Completed::Save, false, offset, length, {}};
  {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(Request{Request::Save, offset, length});
    if (throwNext_) {
      throwNext_ = false;
      throw std::runtime_error("simulated save request failure");
    }
    const bool hasBytes = length == 0 || data;
    if (failNextSave_ || !hasBytes) {
      failNextSave_ = false;
    } else if (storage_ == Storage::Text && offset == 0) {
      memory_.assign(data.get(), data.get() + length);
      completed.ok = true;
    } else if (offset <= memory_.size() && length <= memory_.size() - offset) {
      std::copy(data.get(), data.get() + length,
                memory_.begin() + static_cast<std::ptrdiff_t>(offset));
      completed.ok = true;
    }
    // The completion carries the bytes as they now stand in memory.
    if (completed.ok) completed.bytes.assign(data.get(), data.get() + length);
  }
  complete(std::move(completed));
}

DataHandler::DHError SimDeviceMemory::getError() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return error_;
}

void SimDeviceMemory::raiseError(DHError error) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    error_ = error;
  }
  if (error != NoDHError) complete(Completed{Completed::Error, false, 0, 0, {}});
}

void SimDeviceMemory::complete(Completed completed) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (completion_ == Completion::Synchronous) {
    lock.unlock();
    deliver(completed);
    return;
  }
  queue_.push_back(std::move(completed));
  wake_.notify_one();
}

void SimDeviceMemory::deliver(Completed& completed) {
  DataHandlerCB* callback;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    callback = callback_;
  }
  if (callback == nullptr) return;
  unsigned char* bytes = completed.bytes.empty() ? nullptr : completed.bytes.data();
  switch (completed.kind) {
    case Completed::Read:
      callback->onDataRed(completed.ok, completed.offset, completed.length, bytes);
      break;
    case Completed::Save:
      callback->onDataSaved(completed.ok, completed.offset, completed.length, bytes);
      break;
    case Completed::Error:
      callback->onError();
      break;
  }
}

bool SimDeviceMemory::pumpOne() {
  Completed completed;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (queue_.empty() || completion_ == Completion::Threaded) return false;
    completed = std::move(queue_.front());
    queue_.pop_front();
  }
  deliver(completed);
  return true;
}

std::size_t SimDeviceMemory::pump() {
  std::size_t delivered = 0;
  while (pumpOne()) ++delivered;
  return delivered;
}

std::size_t SimDeviceMemory::queued() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return queue_.size();
}

void SimDeviceMemory::waitIdle() {
  refuseOnWorker("waitIdle");
  std::unique_lock<std::mutex> lock(mutex_);
  idle_.wait(lock, [this] { return idle(); });
}

bool SimDeviceMemory::idle() const {
  return completion_ != Completion::Threaded || (queue_.empty() && !delivering_);
}

void SimDeviceMemory::refuseOnWorker(const char* operation) const {
  if (t_workerOf == this) {
    throw std::logic_error(std::string("SimDeviceMemory::") + operation +
                           " called from its own worker thread");
  }
}

std::vector<SimDeviceMemory::Request> SimDeviceMemory::requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void SimDeviceMemory::clearRequests() {
  std::lock_guard<std::mutex> lock(mutex_);
  requests_.clear();
}

void SimDeviceMemory::failNextRead() {
  std::lock_guard<std::mutex> lock(mutex_);
  failNextRead_ = true;
}

void SimDeviceMemory::failNextSave() {
  std::lock_guard<std::mutex> lock(mutex_);
  failNextSave_ = true;
}

void SimDeviceMemory::throwOnNextRequest() {
  std::lock_guard<std::mutex> lock(mutex_);
  throwNext_ = true;
}

void SimDeviceMemory::corruptByte(std::size_t offset, unsigned char mask) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (offset >= memory_.size()) throw std::out_of_range("SimDeviceMemory::corruptByte offset");
  memory_[offset] = static_cast<unsigned char>(memory_[offset] ^ mask);
}

void SimDeviceMemory::workerLoop() {
  t_workerOf = this;
  const std::thread::id self = std::this_thread::get_id();
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return worker_.get_id() != self || !queue_.empty(); });
    if (worker_.get_id() != self) return;
    Completed completed = std::move(queue_.front());
    queue_.pop_front();
    delivering_ = true;
    lock.unlock();
    deliver(completed);
    lock.lock();
    delivering_ = false;
    if (queue_.empty()) idle_.notify_all();
  }
}

}  // namespace probesim
