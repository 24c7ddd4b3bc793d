// A simulated probe memory for hosts and tests: an in-memory DataHandler over a byte array,
// bound to one DataHandlerCB (usually a coder). Completions are delivered at once inside
// readData/saveData, queued until the host calls pump(), or from a worker thread of its own.
// Every request is recorded, and named switches inject the faults a real device shows.
//
// Two storages:
// - Image: the memory has a fixed size. A read or save must lie inside it; one that does not
//   is answered with ok=false (and nothing is written).
// - Text: the memory holds a text, as a simulated probe keeps a record's XML. A read of offset 0
//   and length 0xFFFFFFFF is answered with the stored bytes up to the first NUL (all of them if
//   there is none); a save at offset 0 replaces the stored bytes with exactly the bytes saved,
//   growing or shrinking the memory. Other requests behave as in Image storage.
//
// Threads. Every member may be called from any thread, and from inside a completion, with these
// exceptions:
// - In Threaded completion the bound callback runs on the worker thread, one completion at a
//   time. An exception that leaves it there ends the program, as any exception leaving a thread
//   does.
// - setCompletion and waitIdle wait for the worker. Called on the worker thread, from inside a
//   completion, they would wait for themselves: they throw std::logic_error instead.
// - The destructor stops the worker. Called on the worker thread it can neither wait nor throw:
//   it writes a message to stderr and aborts the program.
// - bind() does not wait for a completion the worker is delivering: call waitIdle before the old
//   callback goes away.
#ifndef PROBE_SIM_DEVICE_MEMORY_H
#define PROBE_SIM_DEVICE_MEMORY_H

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "DataHandler.h"

namespace probesim {

class SimDeviceMemory : public DataHandler {
 public:
  enum class Completion { Synchronous, Queued, Threaded };
  enum class Storage { Image, Text };

  struct Request {
    enum Kind { Read, Save } kind;
    unsigned long offset;
    unsigned long length;
  };

  static constexpr unsigned long kWholeText = 0xFFFFFFFFul;

  // A zero-filled memory of size bytes: for a version-1 coder's image, as long as
  // ProbeDataV1Coder::getImageLength() says.
  explicit SimDeviceMemory(std::size_t size, Completion completion = Completion::Synchronous,
                           Storage storage = Storage::Image);
  // Lets the worker finish the completion it is delivering, then stops it; completions still
  // queued are dropped.
  ~SimDeviceMemory() override;
  SimDeviceMemory(const SimDeviceMemory&) = delete;
  SimDeviceMemory& operator=(const SimDeviceMemory&) = delete;

  // The object that receives every completion and error report; not owned. Bind before the
  // first request, and keep it alive while requests are pending.
  void bind(DataHandlerCB* callback);
  // Leaving Threaded waits until the worker has delivered everything queued, then stops it.
  // Entering Threaded starts the worker, which delivers what is already queued.
  void setCompletion(Completion completion);
  void setStorage(Storage storage);

  // Memory content. load() replaces content and size.
  void load(const std::string& bytes);
  void resize(std::size_t size);  // new bytes are zero
  std::string contents() const;
  std::size_t size() const;

  // DataHandler
  void readData(unsigned long offset, unsigned long length) override;
  void saveData(unsigned long offset, unsigned long length,
                boost::shared_array<unsigned char> data) override;
  DHError getError() const override;

  // Queued completion: delivers the completions queued so far, and those that the delivered
  // ones cause, in order; returns how many were delivered.
  std::size_t pump();
  // Delivers at most one queued completion; returns whether there was one.
  bool pumpOne();
  std::size_t queued() const;
  // Threaded completion: waits until the worker has delivered everything queued, including the
  // completions of requests made from inside those deliveries. Returns at once in the other
  // modes.
  void waitIdle();

  // Every request made so far, in order.
  std::vector<Request> requests() const;
  void clearRequests();

  // Faults. Each "next" switch applies to one request and then clears itself.
  void failNextRead();        // the next read completes with ok=false and no data
  void failNextSave();        // the next save completes with ok=false; memory unchanged
  void throwOnNextRequest();  // the next readData/saveData throws std::runtime_error
  void corruptByte(std::size_t offset, unsigned char mask = 0xFF);  // XORs a stored byte
  // getError() answers error from now on, and the bound callback's onError() is called the way
  // completions are delivered (at once, on pump(), or from the worker). raiseError(NoDHError)
  // clears it without a report.
  void raiseError(DHError error = DHTransferError);

 private:
  struct Completed {
    enum Kind { Read, Save, Error } kind;
    bool ok;
    unsigned long offset;
    unsigned long length;
    std::vector<unsigned char> bytes;
  };

  // Hands a completion on as the completion mode says. Called without the lock held.
  void complete(Completed completed);
  void deliver(Completed& completed);
  // Throws std::logic_error when called on this memory's worker thread.
  void refuseOnWorker(const char* operation) const;
  bool idle() const;  // with the lock held
  void workerLoop();

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::vector<unsigned char> memory_;
  Completion completion_;
  Storage storage_;
  DataHandlerCB* callback_ = nullptr;
  std::deque<Completed> queue_;
  std::vector<Request> requests_;
  DHError error_ = NoDHError;
  bool failNextRead_ = false;
  bool failNextSave_ = false;
  bool throwNext_ = false;
  bool delivering_ = false;
  // The running worker, changed only with the lock held. A worker that finds itself no longer
  // here stops; whoever took it out joins it, outside the lock.
  std::thread worker_;
};

}  // namespace probesim

#endif
