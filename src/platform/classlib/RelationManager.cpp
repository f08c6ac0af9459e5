#include "platform/classlib/RelationManager.h"

#include <algorithm>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/classlib/FileManager.h"
#include "platform/runtime/RuntimeError.h"
#include "platform/runtime/UserInterface.h"

namespace quorin {

namespace {

std::mutex g_registryLock;
std::vector<std::pair<std::thread::id, RelationManager*>>& Registry()
{
    static std::vector<std::pair<std::thread::id, RelationManager*>> registry;
    return registry;
}

} // namespace

RelationManager::RelationManager() { DEFEREDRELATIONSDONE = 0; }

RelationManager::~RelationManager() { Unregister(); }

void RelationManager::Init(FileManager& file, std::uint8_t useLogout)
{
    ME = &file;
    RELATIONS = std::make_unique<std::vector<RelationManager*>>();
    USELOGOUT = useLogout;
    LOGOUTTIMEOUT = 2;
    if (!registered_) {
        std::lock_guard lock(g_registryLock);
        Registry().emplace_back(std::this_thread::get_id(), this);
        registered_ = true;
    }
}

void RelationManager::Unregister()
{
    if (!registered_) {
        return;
    }
    std::lock_guard lock(g_registryLock);
    auto& r = Registry();
    r.erase(std::remove_if(r.begin(), r.end(), [this](const auto& e) { return e.second == this; }), r.end());
    registered_ = false;
}

std::vector<RelationManager*> RelationManager::ThreadRelationManagers()
{
    std::lock_guard lock(g_registryLock);
    std::vector<RelationManager*> mine;
    for (const auto& [thread, manager] : Registry()) {
        if (thread == std::this_thread::get_id()) {
            mine.push_back(manager);
        }
    }
    return mine;
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
    // The table has no message for a failed delete: the codes are kept for whoever reports next.
    if (ME->ERRORS != nullptr) {
        ME->ERRORS->SetErrors(rc);
        ME->ERRORS->SetFile(ME->FileName());
    }
    return level::kNotify;
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
