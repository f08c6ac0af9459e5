#include "platform/runtime/ControlKinds.h"

#include <map>
#include <mutex>

#include "platform/runtime/Control.h"
#include "platform/runtime/OleHost.h"

namespace quorin {

namespace {

struct Factory {
    std::mutex mutex;
    std::map<ControlKind, ControlMaker> makers;
};

Factory& TheFactory()
{
    static Factory factory;
    return factory;
}

ControlMaker PlainMaker()
{
    return [](Window& window, int number, const ControlDefinition& definition) {
        return std::make_unique<Control>(window, number, definition);
    };
}

} // namespace

void LinkControlKind(ControlKind kind, ControlMaker maker)
{
    Factory& f = TheFactory();
    std::lock_guard lock(f.mutex);
    f.makers[kind] = std::move(maker);
}

bool IsControlKindLinked(ControlKind kind)
{
    Factory& f = TheFactory();
    std::lock_guard lock(f.mutex);
    return f.makers.count(kind) != 0;
}

std::unique_ptr<Control> MakeControl(Window& window, int number, const ControlDefinition& definition)
{
    ControlMaker maker;
    {
        Factory& f = TheFactory();
        std::lock_guard lock(f.mutex);
        const auto found = f.makers.find(definition.kind);
        if (found == f.makers.end())
            return nullptr;
        maker = found->second;
    }
    return maker(window, number, definition);
}

void UnlinkAllControlKinds()
{
    Factory& f = TheFactory();
    std::lock_guard lock(f.mutex);
    f.makers.clear();
}

void LinkRegionControlKind() { LinkControlKind(ControlKind::Region, PlainMaker()); }
void LinkEntryControlKind() { LinkControlKind(ControlKind::Entry, PlainMaker()); }
void LinkButtonControlKind() { LinkControlKind(ControlKind::Button, PlainMaker()); }
void LinkPromptControlKind() { LinkControlKind(ControlKind::Prompt, PlainMaker()); }
void LinkCheckControlKind() { LinkControlKind(ControlKind::Check, PlainMaker()); }
void LinkListControlKind() { LinkControlKind(ControlKind::List, PlainMaker()); }
void LinkTextControlKind() { LinkControlKind(ControlKind::Text, PlainMaker()); }
void LinkSheetControlKind() { LinkControlKind(ControlKind::Sheet, PlainMaker()); }
void LinkTabControlKind() { LinkControlKind(ControlKind::Tab, PlainMaker()); }

void LinkOleControlKind()
{
    LinkControlKind(ControlKind::Ole, [](Window& window, int number, const ControlDefinition& definition) {
        return std::make_unique<OleHostControl>(window, number, definition);
    });
}

void LinkAllControlKinds()
{
    LinkRegionControlKind();
    LinkEntryControlKind();
    LinkButtonControlKind();
    LinkPromptControlKind();
    LinkCheckControlKind();
    LinkListControlKind();
    LinkTextControlKind();
    LinkOleControlKind();
    LinkSheetControlKind();
    LinkTabControlKind();
}

} // namespace quorin
