#include "frame/Program.h"

#include <cstdlib>
#include <cstdio>

namespace quorin {

namespace {

std::unique_ptr<ErrorManager> g_errors;
std::unique_ptr<IniManager> g_ini;
std::unique_ptr<FuzzyMatcher> g_fuzzy;

ThreadVar<std::shared_ptr<ThreadDictionary>> t_dictionary;

void Call(const std::function<void()>& hook)
{
    if (hook)
        hook();
}

template <typename T>
T& Existing(const std::unique_ptr<T>& object, const char* what)
{
    if (!object) {
        std::fprintf(stderr, "quorin20: the %s is used outside the program's life\n", what);
        std::abort();
    }
    return *object;
}

} // namespace

ThreadVar<std::uint8_t> GlobalRequest{0};
ThreadVar<std::uint8_t> GlobalResponse{0};
ThreadVar<std::int32_t> GlobalVcrRequest{0};
ThreadVar<ErrorStatusBlock> ThreadErrorStatus;

ProgramHooks& Hooks()
{
    static ProgramHooks hooks;
    return hooks;
}

ErrorManager& GlobalErrorManager() { return Existing(g_errors, "error manager"); }
IniManager& GlobalIniManager() { return Existing(g_ini, "INI manager"); }
FuzzyMatcher& GlobalFuzzyMatcher() { return Existing(g_fuzzy, "fuzzy matcher"); }
bool ProgramObjectsExist() { return g_errors && g_ini; }

ThreadDictionary::ThreadDictionary()
{
    if (CurrentThreadNumber() != 1)
        Call(Hooks().initDictionary);
}

ThreadDictionary::~ThreadDictionary() { Call(Hooks().killDictionary); }

ThreadDictionary* CurrentThreadDictionary() { return t_dictionary->get(); }

void ProgramModuleInit()
{
    SeedRandomOnce();
    Call(Hooks().blankScriptFileName);
    g_fuzzy = std::make_unique<FuzzyMatcher>();
    g_errors = std::make_unique<ErrorManager>();
    g_ini = std::make_unique<IniManager>();
}

void ProgramThreadInit()
{
    *ThreadErrorStatus = ErrorStatusBlock{};
    *GlobalRequest = 0;
    *GlobalResponse = 0;
    *GlobalVcrRequest = 0;
    *t_dictionary = std::make_shared<ThreadDictionary>();
}

void RunProgram()
{
    GlobalErrorManager().Init(&ThreadErrorStatus);
    GlobalFuzzyMatcher().Init();
    GlobalFuzzyMatcher().SetOption(FuzzyMatcher::kOptionNoCase, 1);
    GlobalFuzzyMatcher().SetOption(FuzzyMatcher::kOptionWordOnly, 0);
    GlobalIniManager().Init(kProgramIniFile, 0, 0);
    Call(Hooks().initDictionary);
    Call(Hooks().main);
    GlobalIniManager().Flush();
    GlobalIniManager().Kill();
    GlobalFuzzyMatcher().Kill();
}

void ProgramThreadTerm()
{
    t_dictionary->reset();
    *ThreadErrorStatus = ErrorStatusBlock{};
    Call(Hooks().releaseThreadFiles);
}

void ProgramModuleTerm()
{
    g_ini.reset();
    g_errors.reset();
}

Module ProgramModule()
{
    return Module{"quorin20", [] { Call(Hooks().createThreadFiles); }, ProgramModuleInit, ProgramThreadInit, ProgramThreadTerm,
                  ProgramModuleTerm};
}

} // namespace quorin
