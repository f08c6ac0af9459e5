#pragma once
// The record form of the saved form records: adds, changes or shows one record of
// `PdfFormSaveData`, or deletes the current one after a confirmation without opening its window.

namespace quorin::forms {

// Reads the request from the thread's global request; leaves 1 (completed) or 2 in its global response.
void UpdateSaveData();

// Start-up step of the record form's module: links the control kinds its window uses.
void UpdateSaveDataModuleInit();

} // namespace quorin::forms
