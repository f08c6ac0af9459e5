// Project overrides of the Duktape configuration, spliced into the shipped duk_config.h.
#pragma once

// Errors unwind as C++ exceptions, so the destructors of the control's frames run when a script
// fails inside a native call.
#define DUK_USE_CPP_EXCEPTIONS

// A runaway script is stopped: the bytecode executor polls the heap's deadline.
#define DUK_USE_INTERRUPT_COUNTER
#undef DUK_USE_EXEC_TIMEOUT_CHECK
int QuorinPdfViewScriptTimedOut(void* heapData);
#define DUK_USE_EXEC_TIMEOUT_CHECK(udata) QuorinPdfViewScriptTimedOut(udata)
