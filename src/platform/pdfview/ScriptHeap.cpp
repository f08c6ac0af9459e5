#include "platform/pdfview/ScriptHeap.h"

#include <cstdlib>
#include <cstring>
#include <string>

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

constexpr const char* kBuiltinKey = "\xFF" "builtin";

// String.prototype.toUpperCase and toLowerCase for ASCII text. A fill script upper-cases every
// field name of the form once per value it sets, and the engine's Unicode conversion costs many
// times this for the ASCII names forms have; any other text goes to the engine's own.
template <bool Upper>
duk_ret_t AsciiCaseConversion(duk_context* ctx) {
  duk_push_this(ctx);
  if (duk_is_string(ctx, -1)) {
    duk_size_t length = 0;
    const char* text = duk_get_lstring(ctx, -1, &length);
    bool ascii = true;
    bool changes = false;
    for (duk_size_t i = 0; i < length && ascii; ++i) {
      const char c = text[i];
      ascii = (static_cast<unsigned char>(c) & 0x80) == 0;
      changes = changes || (Upper ? (c >= 'a' && c <= 'z') : (c >= 'A' && c <= 'Z'));
    }
    if (ascii) {
      if (changes) {
        std::string converted(text, length);
        for (char& c : converted) {
          if (Upper ? (c >= 'a' && c <= 'z') : (c >= 'A' && c <= 'Z')) {
            c = static_cast<char>(c ^ 0x20);
          }
        }
        duk_push_lstring(ctx, converted.data(), converted.size());
      }
      return 1;
    }
  }
  duk_push_current_function(ctx);
  duk_get_prop_string(ctx, -1, kBuiltinKey);
  duk_push_this(ctx);
  duk_call_method(ctx, 0);
  return 1;
}

void ReplaceStringMethod(duk_context* ctx, const char* name, duk_c_function f) {
  duk_get_global_string(ctx, "String");
  duk_get_prop_string(ctx, -1, "prototype");
  duk_push_string(ctx, name);
  duk_push_c_function(ctx, f, 0);
  duk_get_prop_string(ctx, -3, name);
  duk_put_prop_string(ctx, -2, kBuiltinKey);
  duk_def_prop(ctx, -3, DUK_DEFPROP_HAVE_VALUE | DUK_DEFPROP_SET_WRITABLE | DUK_DEFPROP_CLEAR_ENUMERABLE |
                            DUK_DEFPROP_SET_CONFIGURABLE);
  duk_pop_2(ctx);
}

duk_ret_t InstallCaseConversions(duk_context* ctx, void*) {
  ReplaceStringMethod(ctx, "toUpperCase", AsciiCaseConversion<true>);
  ReplaceStringMethod(ctx, "toLowerCase", AsciiCaseConversion<false>);
  return 0;
}

// Duktape reaches here only for an error outside any protected call, which the control never
// makes; there is no state to return to.
void FatalHandler(void*, const char*) { std::abort(); }

} // namespace

ScriptHeap::State& ScriptHeap::StateOf(duk_context* ctx) {
  duk_memory_functions functions{};
  duk_get_memory_functions(ctx, &functions);
  return *static_cast<State*>(functions.udata);
}

ScriptHeap::ScriptHeap(ScriptLimits limits) : limits_(limits) {
  state_.cap = limits_.memoryBytes;
  ctx_ = duk_create_heap(CappedAlloc, CappedRealloc, CappedFree, &state_, FatalHandler);
  if (ctx_ != nullptr) {
    // Protected: a heap too small for these keeps the engine's own methods.
    duk_safe_call(ctx_, InstallCaseConversions, nullptr, 0, 1);
    duk_pop(ctx_);
  }
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
