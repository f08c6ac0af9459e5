#pragma once
// What the record form's tests share, on either backend: the program run with a body of the
// test's own, and one call of the form as the browse makes it.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include "forms/UpdateSaveData.h"
#include "frame/DataDictionary.h"
#include "frame/Program.h"
#include "platform/runtime/Module.h"

namespace quorin::forms::testing {

// Runs the program with `body` as its main procedure, the saved records' file open meanwhile as
// the form-filling window holds it; the record form's module starts after the main one.
inline void RunProgramWithRecordForm(const std::function<void()>& body)
{
    InstallDataDictionary(Hooks());
    Hooks().main = [&] {
        ASSERT_EQ(RelatePdfFormSaveData()->Open(0), 0);
        body();
        RelatePdfFormSaveData()->Close(0);
    };
    Module forms{"forms"};
    forms.moduleInit = UpdateSaveDataModuleInit;
    ModuleTable table({ProgramModule(), forms});
    EXPECT_EQ(table.Run([] {
        RunProgram();
        return 0;
    }), 0);
    Hooks() = ProgramHooks{};
}

// The form for one request, as the form-filling window runs it; its response.
inline std::uint8_t RecordForm(std::uint8_t request)
{
    *GlobalRequest = request;
    UpdateSaveData();
    return *GlobalResponse;
}

} // namespace quorin::forms::testing
