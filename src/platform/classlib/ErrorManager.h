#pragma once
// The error manager: a table of numbered messages with titles, texts and levels, shown through the
// runtime's message boxes with their placeholders filled in. Program-wide; guards itself with its
// own lock, and keeps a status block and a procedure-name stack per thread.
//
// Levels: 0 nothing is shown; 1 and 4 a Yes/No question; 5 shown with OK, then the caller goes on;
// 2, 3 and any other level: shown with "  Press OK to end this application", then the program ends
// (a `ProgramHalt` unwinds to the program body, whose caller runs every finaliser).
#include "platform/classlib/ErrorStatusBlock.h"
#include "platform/runtime/ThreadVar.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorin {

using Level = std::uint8_t;
namespace level {
inline constexpr Level kBenign = 0;   // go on
inline constexpr Level kUser = 1;     // a question to the user
inline constexpr Level kProgram = 2;  // fatal: a program fault
inline constexpr Level kFatal = 3;    // fatal; from event handling: stop
inline constexpr Level kCancel = 4;   // the user declined
inline constexpr Level kNotify = 5;   // shown, then go on; from event handling: handled
} // namespace level

// Message numbers of the standard table.
namespace msg {
inline constexpr int kAccessDenied = 2;
inline constexpr int kAddError = 4;
inline constexpr int kDeleteError = 5;
inline constexpr int kConfirmCancel = 10;
inline constexpr int kConfirmDelete = 11;
inline constexpr int kCreateError = 12;
inline constexpr int kDuplicateKey = 15;
inline constexpr int kInvalidFile = 26;
inline constexpr int kOpenFailed = 29;
inline constexpr int kRebuildError = 32;
inline constexpr int kRebuildKey = 33;
inline constexpr int kRetrySave = 40;
inline constexpr int kSaveRecord = 41;
inline constexpr int kRecordChanged = 42;
inline constexpr int kUseClosedFile = 45;
} // namespace msg

struct ErrorMessage {
    int id = 0;
    std::string title;
    std::string text; // with placeholders; "|" is a line break
    Level level = level::kBenign;
    int defaultButton = 0; // of a question: which answer is preselected (0: No)
};

// The messages of the standard table, by number.
const std::vector<ErrorMessage>& StandardErrorMessages();

class ErrorManager {
public:
    ErrorManager();
    virtual ~ErrorManager() = default;
    ErrorManager(const ErrorManager&) = delete;
    ErrorManager& operator=(const ErrorManager&) = delete;

    // Keeps `status` as the per-thread status (null: the manager's own), clears the message,
    // procedure-name and history lists; history threshold 0, history view level 3.
    void Init(ThreadVar<ErrorStatusBlock>* status = nullptr);

    // Adds a message or replaces the one of the same number.
    void AddMessage(ErrorMessage message);
    // The message of that number, from the added ones first, then the standard table.
    std::optional<ErrorMessage> Message(int id) const;

    // The calling thread's status block.
    ErrorStatusBlock& Status() const;

    // What the placeholders stand for, on the calling thread.
    void SetFile(std::string_view name);
    void SetField(std::string_view name);
    void SetKey(std::string_view name);
    void SetMessageText(std::string_view text); // "%Message"
    // Saves the runtime's current error code and text ("%ErrorText", "%ErrorCode", "%Error").
    void SetErrors();
    void SetErrors(int code);
    void SetFileError(int code, std::string_view text);

    // flag 0 pushes `name` as the thread's current procedure name; flag 1 drops the latest one.
    void SetProcedureName(std::string_view name, std::uint8_t flag = 0);
    std::string ProcedureName() const; // the current one, empty when none

    // The message's text with the placeholders of the calling thread's status filled in.
    std::string SubsString(int id) const;

    // Shows message `id` as its level says. Questions give 0 for Yes and 4 for No; level 5 gives 5;
    // level 0 gives 0 and shows nothing; the fatal levels do not return. An unknown number is a
    // fatal program error, as nothing can be said about it.
    Level Throw(int id);
    Level ThrowFile(int id, std::string_view file);
    Level ThrowMessage(int id, std::string_view message);
    // The answer of a question (button::kYes or button::kNo); other levels behave as `Throw`.
    int Ask(int id);

    // The messages taken so far (id and text as shown), oldest first.
    std::vector<ErrorBuffer> History() const;

private:
    int TakeError(int id);
    std::string Substitute(const std::string& text) const;

    mutable std::recursive_mutex lock_;
    std::vector<ErrorMessage> added_;
    std::vector<ErrorBuffer> history_;
    int historyThreshold_ = 0;
    int historyViewLevel_ = 3;
    ThreadVar<ErrorStatusBlock> ownStatus_;
    ThreadVar<ErrorStatusBlock>* status_ = &ownStatus_;
    ThreadVar<std::vector<std::string>> procedures_;
};

} // namespace quorin
