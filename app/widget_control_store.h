// The window's ControlStore: each name is found among the window's children by objectName (an
// unknown name throws std::out_of_range, a fault the tests catch) and one control is written at a
// time, so its own events run as the form library would run them: a check box's handler on every
// change (toggled), a combo box's only on the operator's pick (activated).
#pragma once

#include "app/control_store.h"

class QWidget;

namespace app {

class WidgetControlStore : public ControlStore {
  public:
    explicit WidgetControlStore(QWidget& root) : root_(root) {}

    std::string Text(const std::string& name) const override;
    void SetText(const std::string& name, const std::string& text) override;
    int ItemIndex(const std::string& name) const override;
    void SetItemIndex(const std::string& name, int index) override;
    std::vector<std::string> Items(const std::string& name) const override;
    void SetItems(const std::string& name, const std::vector<std::string>& items) override;
    bool ItemChecked(const std::string& name, int index) const override;
    void SetItemChecked(const std::string& name, int index, bool checked) override;
    bool Checked(const std::string& name) const override;
    void SetChecked(const std::string& name, bool checked) override;
    bool Enabled(const std::string& name) const override;
    void SetEnabled(const std::string& name, bool enabled) override;
    bool Visible(const std::string& name) const override;
    void SetVisible(const std::string& name, bool visible) override;
    int Left(const std::string& name) const override;
    void SetLeft(const std::string& name, int left) override;
    void SetHint(const std::string& name, const std::string& hint) override;
    std::uint32_t Colour(const std::string& name) const override;
    void SetColour(const std::string& name, std::uint32_t colour) override;

  private:
    QWidget* Find(const std::string& name) const;
    QWidget& root_;
};

}  // namespace app
