#pragma once
// The data dictionary: the saved form records of "form1.tps" (`PdfFormSaveData`, key
// `SAV:ByDateTime`), the exported script lines (`JavaScriptFile`), and per thread the file and
// relation managers through which the windows use them.
#include <cstdint>

#include "platform/classlib/ErrorManager.h"
#include "platform/classlib/FileManager.h"
#include "platform/classlib/RelationManager.h"
#include "platform/runtime/FileDeclaration.h"
#include "platform/runtime/FixedText.h"
#include "platform/runtime/RecordLayout.h"

namespace quorin {

// Field numbers of the saved form record.
namespace sav {
inline constexpr int kDate = 1, kTime = 2, kEmail = 3, kAccount = 4, kPassword = 5, kFirstName = 6, kLastName = 7,
                     kBirthDate = 8, kAddlInfo = 9, kBooksChk = 10, kMagazinesChk = 11, kNewspapersChk = 12,
                     kCountry = 13;
} // namespace sav

// The saved form record: 1437 bytes, the fields back to back.
const RecordLayout& PdfFormSaveDataLayout();
// The script-line record: `JSF:LINE`, 255 bytes.
const RecordLayout& JavaScriptFileLayout();

// The program-wide name of the script file, blank-padded; `JavaScriptFile` is opened under its
// content at the time, and its file manager names the file by it.
FixedText<260>& GlobalScriptFileName();

struct ProgramHooks;

// Fills the main module's hooks with the dictionary's steps: the script-file name blanked, the
// thread's file structures bound and released, the dictionary built and torn down.
void InstallDataDictionary(ProgramHooks& hooks);

// The error manager the dictionary's managers report through: the one set here, else the
// program's global one.
void SetDictionaryErrorManager(ErrorManager* errors);
ErrorManager* DictionaryErrorManager();

// The calling thread's file declarations (with their record buffers) and the key.
FileDeclaration& PdfFormSaveData();
FileDeclaration& JavaScriptFile();
FileKey& SavByDateTime();

// Per-thread set-up and release of the two file structures: `JavaScriptFile` bound first,
// `PdfFormSaveData` released first.
void CreateThreadFiles();
void ReleaseThreadFiles();

class PdfFormSaveDataManager : public FileManager {
public:
    void Init() override;
    void Kill() override;
    Level UseFile(std::uint8_t useType) override;
};

class JavaScriptFileManager : public FileManager {
public:
    void Init() override;
    void Kill() override;
    Level UseFile(std::uint8_t useType) override;
};

class PdfFormSaveDataRelations : public RelationManager {
public:
    using RelationManager::Init;
    void Init();
    void Kill() override;
};

class JavaScriptFileRelations : public RelationManager {
public:
    using RelationManager::Init;
    void Init();
    void Kill() override;
};

// The calling thread's published references; null outside the dictionary's life.
RelationManager* RelatePdfFormSaveData();
FileManager* AccessPdfFormSaveData();
RelationManager* RelateJavaScriptFile();
FileManager* AccessJavaScriptFile();

// The dictionary's life on the calling thread.
void InitDictionary();   // CreateFileManagers, then InitRelationManagers
void KillDictionary();   // KillFileManagers
void CreateFileManagers();
void InitRelationManagers();
void KillFileManagers();

} // namespace quorin
