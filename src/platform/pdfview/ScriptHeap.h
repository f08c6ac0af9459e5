#pragma once
// One JavaScript heap of the viewer control: a Duktape heap whose allocations are capped and whose
// runs are stopped at a deadline. Each open document owns one.
#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/pdfview/ViewerResult.h"

struct duk_hthread;
typedef struct duk_hthread duk_context;

namespace quorin::pdfview {

struct ScriptLimits {
  std::chrono::milliseconds time{5000};     // wall time of one run
  std::size_t memoryBytes = 64u << 20;      // everything the heap holds at once
};

class ScriptHeap {
public:
  explicit ScriptHeap(ScriptLimits limits);
  ~ScriptHeap();
  ScriptHeap(const ScriptHeap&) = delete;
  ScriptHeap& operator=(const ScriptHeap&) = delete;

  // Null when the heap could not be made (the cap is too small for Duktape itself).
  duk_context* context() const { return ctx_; }

  // Compiles and runs `code` as global code with the global object as `this`. On success `result`
  // is the value of the last expression as text, empty for undefined. A failure carries the
  // engine's message.
  ViewerStatus Run(std::string_view code, std::string& result);

  // Heap state the allocator and the executor's deadline check reach through Duktape's udata.
  struct State {
    std::size_t used = 0;
    std::size_t cap = 0;
    bool refused = false;   // an allocation was refused for the cap during this run
    bool running = false;
    std::chrono::steady_clock::time_point deadline{};
    void* host = nullptr;   // what the heap's natives act on (the open document)
  };
  // The state of the heap `ctx` belongs to.
  static State& StateOf(duk_context* ctx);

private:
  ScriptLimits limits_;
  State state_;
  duk_context* ctx_ = nullptr;
};

} // namespace quorin::pdfview
