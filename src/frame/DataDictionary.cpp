#include "frame/DataDictionary.h"

#include "frame/Program.h"
#include "platform/runtime/ThreadVar.h"

namespace quorin {

const RecordLayout& PdfFormSaveDataLayout()
{
    static const RecordLayout layout("SAV", {
                                                {"SAV:DATE", FieldType::Long},
                                                {"SAV:TIME", FieldType::Long},
                                                {"SAV:EMAIL", FieldType::Text, 256},
                                                {"SAV:ACCOUNT", FieldType::Text, 20},
                                                {"SAV:PASSWORD", FieldType::Text, 20},
                                                {"SAV:FIRSTNAME", FieldType::Text, 30},
                                                {"SAV:LASTNAME", FieldType::Text, 30},
                                                {"SAV:BIRTHDATE", FieldType::Text, 10},
                                                {"SAV:ADDLINFO", FieldType::Text, 1024},
                                                {"SAV:BOOKSCHK", FieldType::Text, 3},
                                                {"SAV:MAGAZINESCHK", FieldType::Text, 3},
                                                {"SAV:NEWSPAPERSCHK", FieldType::Text, 3},
                                                {"SAV:COUNTRY", FieldType::Text, 30},
                                            });
    return layout;
}

const RecordLayout& JavaScriptFileLayout()
{
    static const RecordLayout layout("JSF", {{"JSF:LINE", FieldType::Text, 255}});
    return layout;
}

FixedText<260>& GlobalScriptFileName()
{
    static FixedText<260> name;
    return name;
}

namespace {

ErrorManager* g_errors = nullptr;

const FileDeclaration& InitialPdfFormSaveData()
{
    static const FileDeclaration declaration(
        FileKind::Keyed, "SAV", PdfFormSaveDataLayout(),
        {{"SAV:BYDATETIME", {sav::kDate, sav::kTime}, kKeyOpt | kKeyNoCase | kKeyPrimary}},
        kFileCreate | kFileReclaim | kFileThread, "form1.tps");
    return declaration;
}

const FileDeclaration& InitialJavaScriptFile()
{
    static const FileDeclaration declaration(FileKind::Text, "JSF", JavaScriptFileLayout(), {},
                                             kFileCreate | kFileThread, GlobalScriptFileName().Data(),
                                             FixedText<260>::kWidth);
    return declaration;
}

// One thread's references and owning pointers.
struct Dictionary {
    RelationManager* relatePdfFormSaveData = nullptr;
    FileManager* accessPdfFormSaveData = nullptr;
    RelationManager* relateJavaScriptFile = nullptr;
    FileManager* accessJavaScriptFile = nullptr;
    PdfFormSaveDataManager* pdfFormSaveDataManager = nullptr;
    PdfFormSaveDataRelations* pdfFormSaveDataRelations = nullptr;
    JavaScriptFileManager* javaScriptFileManager = nullptr;
    JavaScriptFileRelations* javaScriptFileRelations = nullptr;
};

ThreadVar<FileDeclaration>& PdfFormSaveDataVar()
{
    static ThreadVar<FileDeclaration> var(InitialPdfFormSaveData());
    return var;
}

ThreadVar<FileDeclaration>& JavaScriptFileVar()
{
    static ThreadVar<FileDeclaration> var(InitialJavaScriptFile());
    return var;
}

Dictionary& ThisThread()
{
    static ThreadVar<Dictionary> var;
    return var.ThreadInstance();
}

} // namespace

void SetDictionaryErrorManager(ErrorManager* errors) { g_errors = errors; }
ErrorManager* DictionaryErrorManager() { return g_errors; }

FileDeclaration& PdfFormSaveData() { return PdfFormSaveDataVar().ThreadInstance(); }
FileDeclaration& JavaScriptFile() { return JavaScriptFileVar().ThreadInstance(); }
FileKey& SavByDateTime() { return PdfFormSaveData().Key(0); }

void CreateThreadFiles()
{
    BindThreadFile(JavaScriptFile(), InitialJavaScriptFile());
    BindThreadFile(PdfFormSaveData(), InitialPdfFormSaveData());
}

void ReleaseThreadFiles()
{
    ReleaseThreadFile(&PdfFormSaveData());
    ReleaseThreadFile(&JavaScriptFile());
}

RelationManager* RelatePdfFormSaveData() { return ThisThread().relatePdfFormSaveData; }
FileManager* AccessPdfFormSaveData() { return ThisThread().accessPdfFormSaveData; }
RelationManager* RelateJavaScriptFile() { return ThisThread().relateJavaScriptFile; }
FileManager* AccessJavaScriptFile() { return ThisThread().accessJavaScriptFile; }

// ---- file managers ----

namespace {

// The global error manager; a private one only when the program set none (a test of a step alone).
ErrorManager& Errors()
{
    static ErrorManager fallback;
    if (DictionaryErrorManager() != nullptr) {
        return *DictionaryErrorManager();
    }
    return ProgramObjectsExist() ? GlobalErrorManager() : fallback;
}

void InitManager(FileManager& m, FileDeclaration& file, const char* name)
{
    m.INITIALIZED = 0;
    m.BUFFER = {file.Record(), &file.Layout(), file.RecordSize()};
    m.FILENAMEVALUE = name;
    m.SetErrors(Errors());
    m.FILE = &file;
}

} // namespace

void PdfFormSaveDataManager::Init()
{
    InitManager(*this, PdfFormSaveData(), "PdfFormSaveData");
    FileManager::Init();
    ThisThread().accessPdfFormSaveData = this;
}

void JavaScriptFileManager::Init()
{
    InitManager(*this, JavaScriptFile(), "JavaScriptFile");
    // Refers to the variable itself, so the name in messages is its content at the time.
    FILENAME = {GlobalScriptFileName().Data(), FixedText<260>::kWidth};
    FileManager::Init();
    ThisThread().accessJavaScriptFile = this;
}

Level PdfFormSaveDataManager::UseFile(std::uint8_t useType)
{
    if (useType != use::kInitialise) {
        UseFile(use::kInitialise);
    }
    if (useType == use::kInitialise && INITIALIZED == 0) {
        INUSEFILE = 1;
        InitFile(PdfFormSaveData(), Errors());
        CREATE = 1;
        LOCKRECOVER = 10;
        AddKey(SavByDateTime(), "SAV:ByDateTime", 0);
    }
    return FileManager::UseFile(useType);
}

Level JavaScriptFileManager::UseFile(std::uint8_t useType)
{
    if (useType != use::kInitialise) {
        UseFile(use::kInitialise);
    }
    if (useType == use::kInitialise && INITIALIZED == 0) {
        INUSEFILE = 1;
        InitFile(JavaScriptFile(), Errors());
        CREATE = 1;
        LOCKRECOVER = 10;
    }
    return FileManager::UseFile(useType);
}

void PdfFormSaveDataManager::Kill()
{
    FileManager::Kill();
    ThisThread().accessPdfFormSaveData = nullptr;
}

void JavaScriptFileManager::Kill()
{
    FileManager::Kill();
    ThisThread().accessJavaScriptFile = nullptr;
}

// ---- relation managers ----

void PdfFormSaveDataRelations::Init()
{
    Dictionary& d = ThisThread();
    d.pdfFormSaveDataManager->Init();
    RelationManager::Init(*d.accessPdfFormSaveData, 1);
}

void JavaScriptFileRelations::Init()
{
    Dictionary& d = ThisThread();
    d.javaScriptFileManager->Init();
    RelationManager::Init(*d.accessJavaScriptFile, 1);
}

void PdfFormSaveDataRelations::Kill()
{
    Dictionary& d = ThisThread();
    d.pdfFormSaveDataManager->Kill();
    RelationManager::Kill();
    d.relatePdfFormSaveData = nullptr;
    delete d.pdfFormSaveDataManager; // its destructor runs Kill again only when not yet killed
    d.pdfFormSaveDataManager = nullptr;
}

void JavaScriptFileRelations::Kill()
{
    Dictionary& d = ThisThread();
    d.javaScriptFileManager->Kill();
    RelationManager::Kill();
    d.relateJavaScriptFile = nullptr;
    delete d.javaScriptFileManager;
    d.javaScriptFileManager = nullptr;
}

// ---- the dictionary ----

void CreateFileManagers()
{
    Dictionary& d = ThisThread();
    d.javaScriptFileManager = new JavaScriptFileManager;
    d.javaScriptFileRelations = new JavaScriptFileRelations;
    d.pdfFormSaveDataManager = new PdfFormSaveDataManager;
    d.pdfFormSaveDataRelations = new PdfFormSaveDataRelations;
    d.relateJavaScriptFile = d.javaScriptFileRelations;
    d.relatePdfFormSaveData = d.pdfFormSaveDataRelations;
}

void InitRelationManagers()
{
    Dictionary& d = ThisThread();
    d.javaScriptFileRelations->Init();
    d.pdfFormSaveDataRelations->Init();
}

void KillFileManagers()
{
    Dictionary& d = ThisThread();
    if (d.javaScriptFileRelations != nullptr) {
        d.javaScriptFileRelations->Kill();
        delete d.javaScriptFileRelations;
        d.javaScriptFileRelations = nullptr;
    }
    if (d.pdfFormSaveDataRelations != nullptr) {
        d.pdfFormSaveDataRelations->Kill();
        delete d.pdfFormSaveDataRelations;
        d.pdfFormSaveDataRelations = nullptr;
    }
}

void InitDictionary()
{
    CreateFileManagers();
    InitRelationManagers();
}

void KillDictionary() { KillFileManagers(); }

void InstallDataDictionary(ProgramHooks& hooks)
{
    hooks.blankScriptFileName = [] { GlobalScriptFileName().Clear(); };
    hooks.createThreadFiles = CreateThreadFiles;
    hooks.releaseThreadFiles = ReleaseThreadFiles;
    hooks.initDictionary = InitDictionary;
    hooks.killDictionary = KillDictionary;
}

} // namespace quorin
