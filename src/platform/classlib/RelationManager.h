#pragma once
// The relation manager: opens and closes a file together with its related files (none in this
// system) and deletes its current record after asking.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/classlib/ErrorManager.h"
#include "platform/classlib/ThreadList.h"

namespace quorin {

class FileManager;

class RelationManager {
public:
    RelationManager(); // RelationManager.Construct
    virtual ~RelationManager();
    RelationManager(const RelationManager&) = delete;
    RelationManager& operator=(const RelationManager&) = delete;

    FileManager* ME = nullptr;
    std::unique_ptr<std::vector<RelationManager*>> RELATIONS; // made by Init, freed by Kill
    std::uint8_t USELOGOUT = 0;
    std::uint8_t LOGOUTTIMEOUT = 0;
    std::uint8_t DEFEREDRELATIONSDONE = 0;

    void Init(FileManager& file, std::uint8_t useLogout);

    // Virtual operations.
    virtual Level Open(std::uint8_t flag = 0);
    virtual void Close(std::uint8_t flag = 0);
    // Asked: message 11 first, No gives 4 and deletes nothing. 0 when the current record is deleted;
    // a delete that fails is reported (message 5) and gives that message's level.
    virtual Level Delete(std::uint8_t ask);
    virtual void Kill();

    // The calling thread's relation managers, in the order registered.
    static std::vector<RelationManager*> ThreadRelationManagers();

private:
    void Unregister();
    ThreadList<RelationManager> listing_;
};

} // namespace quorin
