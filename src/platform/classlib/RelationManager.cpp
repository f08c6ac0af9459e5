#include "platform/classlib/RelationManager.h"

#include "platform/classlib/FileManager.h"
#include "platform/runtime/RuntimeError.h"
#include "platform/runtime/UserInterface.h"

namespace quorin {

RelationManager::RelationManager() { DEFEREDRELATIONSDONE = 0; }

RelationManager::~RelationManager() { Unregister(); }

void RelationManager::Init(FileManager& file, std::uint8_t useLogout)
{
    ME = &file;
    RELATIONS = std::make_unique<std::vector<RelationManager*>>();
    USELOGOUT = useLogout;
    LOGOUTTIMEOUT = 2;
    listing_.Enter(this);
}

void RelationManager::Unregister() { listing_.Leave(); }

std::vector<RelationManager*> RelationManager::ThreadRelationManagers()
{
    return ThreadList<RelationManager>::OfThisThread();
}

Level RelationManager::Open(std::uint8_t)
{
    if (ME == nullptr) {
        return level::kFatal;
    }
    const Level result = ME->Open();
    if (result != level::kBenign || RELATIONS == nullptr) {
        return result;
    }
    for (RelationManager* related : *RELATIONS) {
        if (const Level l = related->Open(0); l != level::kBenign) {
            return l;
        }
    }
    return level::kBenign;
}

void RelationManager::Close(std::uint8_t)
{
    if (RELATIONS != nullptr) {
        for (RelationManager* related : *RELATIONS) {
            related->Close(0);
        }
    }
    if (ME != nullptr) {
        ME->Close();
    }
}

Level RelationManager::Delete(std::uint8_t ask)
{
    if (ME == nullptr) {
        return level::kFatal;
    }
    if (ask != 0 && ME->ERRORS != nullptr && ME->ERRORS->Ask(msg::kConfirmDelete) != button::kYes) {
        return level::kCancel;
    }
    if (const Level l = ME->UseFile(use::kUpdate); l != level::kBenign) {
        return l;
    }
    const int rc = ME->TryDelete();
    if (rc == kNoError) {
        return level::kBenign;
    }
    // Shown, and the record stays as the file has it.
    return ME->Report(rc == kRecordChanged ? msg::kRecordChanged : msg::kDeleteError, rc);
}

void RelationManager::Kill()
{
    if (RELATIONS == nullptr) {
        return;
    }
    Unregister();
    RELATIONS.reset();
}

} // namespace quorin
