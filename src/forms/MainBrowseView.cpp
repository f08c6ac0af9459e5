#include "forms/MainBrowseView.h"

#include "frame/DataDictionary.h"

namespace quorin::forms {

namespace {

// The view's per-thread template: each thread's copy is bound to that thread's file when made.
struct ThreadView {
    View view;
    bool bound = false;
};

ThreadVar<ThreadView>& BrowseViews()
{
    static ThreadVar<ThreadView> views;
    return views;
}

} // namespace

View& MainBrowseView()
{
    ThreadView& mine = BrowseViews().ThreadInstance();
    if (!mine.bound) {
        mine.bound = true;
        BindMainViewToFile();
    }
    return mine.view;
}

void BindMainViewToFile()
{
    FileDeclaration& file = PdfFormSaveData();
    if (file.Keyed() == nullptr) {
        return; // the thread's files are not set up: the view stays unbound and reads nothing
    }
    BrowseViews()->view.Bind(*file.Keyed(), file.Record(), file.Layout(),
                             {sav::kDate, sav::kTime, sav::kAccount, sav::kPassword, sav::kEmail, sav::kAddlInfo});
}

std::uint8_t& MainViewUsed()
{
    static ThreadVar<std::uint8_t> used{0};
    return used.ThreadInstance();
}

StaticInitGuard& MainStaticInitGuard()
{
    static ThreadVar<StaticInitGuard> guard;
    return guard.ThreadInstance();
}

} // namespace quorin::forms
