#include "platform/pdfview/ScriptHeap.h"

#include <cstdlib>
#include <cstring>

#include "duktape.h"

using quorin::pdfview::ScriptHeap;

// Called by the bytecode executor every few thousand instructions.
int QuorinPdfViewScriptTimedOut(void* heapData) {
  auto* state = static_cast<ScriptHeap::State*>(heapData);
  return state != nullptr && state->running && std::chrono::steady_clock::now() > state->deadline;
}

namespace quorin::pdfview {
namespace {

// Each block carries its size in front, so frees and reallocations keep the count exact.
constexpr std::size_t kHeader = alignof(std::max_align_t);

void* CappedAlloc(void* udata, duk_size_t size) {
  auto* state = static_cast<ScriptHeap::State*>(udata);
  if (size == 0) {
    return nullptr;
  }
  if (size > state->cap || state->used + size > state->cap) {
    state->refused = true;
    return nullptr;
  }
  auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
  if (block == nullptr) {
    state->refused = true;
    return nullptr;
  }
  std::memcpy(block, &size, sizeof size);
  state->used += size;
  return block + kHeader;
}

void CappedFree(void* udata, void* ptr) {
  if (ptr == nullptr) {
    return;
  }
  auto* state = static_cast<ScriptHeap::State*>(udata);
  auto* block = static_cast<unsigned char*>(ptr) - kHeader;
  std::size_t size = 0;
  std::memcpy(&size, block, sizeof size);
  state->used -= size;
  std::free(block);
}

void* CappedRealloc(void* udata, void* ptr, duk_size_t size) {
  if (ptr == nullptr) {
    return CappedAlloc(udata, size);
  }
  if (size == 0) {
    CappedFree(udata, ptr);
    return nullptr;
  }
  auto* state = static_cast<ScriptHeap::State*>(udata);
  auto* block = static_cast<unsigned char*>(ptr) - kHeader;
  std::size_t old = 0;
  std::memcpy(&old, block, sizeof old);
  if (size > old && (size - old > state->cap || state->used + (size - old) > state->cap)) {
    state->refused = true;
    return nullptr;
  }
  auto* grown = static_cast<unsigned char*>(std::realloc(block, size + kHeader));
  if (grown == nullptr) {
    state->refused = true;
    return nullptr;
  }
  std::memcpy(grown, &size, sizeof size);
  state->used = state->used - old + size;
  return grown + kHeader;
}

// Duktape reaches here only for an error outside any protected call, which the control never
// makes; there is no state to return to.
void FatalHandler(void*, const char*) { std::abort(); }

} // namespace

ScriptHeap::ScriptHeap(ScriptLimits limits) : limits_(limits) {
  state_.cap = limits_.memoryBytes;
  ctx_ = duk_create_heap(CappedAlloc, CappedRealloc, CappedFree, &state_, FatalHandler);
}

ScriptHeap::~ScriptHeap() {
  if (ctx_ != nullptr) {
    duk_destroy_heap(ctx_);
  }
}

ViewerStatus ScriptHeap::Run(std::string_view code, std::string& result) {
  result.clear();
  if (ctx_ == nullptr) {
    return ViewerStatus::Fail(ViewerError::ScriptMemory, "The script engine could not be started");
  }
  state_.refused = false;
  state_.deadline = std::chrono::steady_clock::now() + limits_.time;
  state_.running = true;

  ViewerStatus status;
  const duk_idx_t base = duk_get_top(ctx_);
  duk_push_lstring(ctx_, code.data(), code.size());
  duk_push_string(ctx_, "script");
  if (duk_pcompile(ctx_, DUK_COMPILE_EVAL) != DUK_EXEC_SUCCESS) {
    status = ViewerStatus::Fail(state_.refused ? ViewerError::ScriptMemory : ViewerError::ScriptSyntax,
                                duk_safe_to_string(ctx_, -1));
  } else {
    duk_push_global_object(ctx_);
    if (duk_pcall_method(ctx_, 0) != DUK_EXEC_SUCCESS) {
      const bool timedOut = std::chrono::steady_clock::now() > state_.deadline;
      std::string message = duk_safe_to_string(ctx_, -1);
      ViewerError kind = ViewerError::ScriptRuntime;
      if (state_.refused) {
        kind = ViewerError::ScriptMemory;
      } else if (timedOut && message.find("execution timeout") != std::string::npos) {
        kind = ViewerError::ScriptTimeout;
      }
      status = ViewerStatus::Fail(kind, std::move(message));
    } else if (!duk_is_undefined(ctx_, -1)) {
      result = duk_safe_to_string(ctx_, -1);
    }
  }
  state_.running = false;
  duk_set_top(ctx_, base);
  // Whatever the run left unreachable goes now, so the next run starts under the cap.
  duk_gc(ctx_, 0);
  return status;
}

} // namespace quorin::pdfview
