// The program entry's maker: the result window made at its place after the main window, registered
// as the sorting-result window, kept by the main window and unregistered when it goes.
#include "app/dialog_slots.h"
#include "app/program.h"
#include "sorting/sort_main_form.h"
#include "support/station_window.h"

namespace {

class SortWindowMaker : public window_test::StationWindowTest {};

TEST_F(SortWindowMaker, MadeRegisteredKeptAndUnregistered) {
    app::ScopedFormMakers makers;
    app::RegisterFormMaker(app::FormPlace::SortMain, sorting::MakeSortMainForm);
    std::unique_ptr<TMainForm> main = app::CreateForms();
    ASSERT_TRUE(main);
    app::SortResultWindow* registered = app::RegisterSortResultWindow(nullptr);
    app::RegisterSortResultWindow(registered);
    ASSERT_NE(SortMainForm, nullptr);
    EXPECT_EQ(registered, static_cast<app::SortResultWindow*>(SortMainForm));
    EXPECT_FALSE(SortMainForm->isVisible());
    main->FormDestroy(main.get());
    main.reset();
    EXPECT_EQ(SortMainForm, nullptr);
    EXPECT_EQ(app::RegisterSortResultWindow(nullptr), nullptr);
}

}  // namespace
