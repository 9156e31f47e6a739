// The state of the settings controls by objectName, as the two settings passes see it: text, item
// index (-1 none), items with their check marks, checked, enabled, visible (the control's own
// switch), colour (0x00BBGGRR) and left edge. The window's store (widget_control_store.h) reads and
// writes the widgets one control at a time, so their own events run as the form library would run
// them; MemoryControlStore keeps the state in a map, for tests without a display. Plain C++.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace app {

class ControlStore {
  public:
    virtual ~ControlStore() = default;

    virtual std::string Text(const std::string& name) const = 0;
    virtual void SetText(const std::string& name, const std::string& text) = 0;
    virtual int ItemIndex(const std::string& name) const = 0;
    // An index outside the items clears the selection.
    virtual void SetItemIndex(const std::string& name, int index) = 0;
    virtual std::vector<std::string> Items(const std::string& name) const = 0;
    // Replaces the items (check marks cleared, nothing selected).
    virtual void SetItems(const std::string& name, const std::vector<std::string>& items) = 0;
    virtual bool ItemChecked(const std::string& name, int index) const = 0;
    // A check mark set by the program: no click-check runs.
    virtual void SetItemChecked(const std::string& name, int index, bool checked) = 0;
    virtual bool Checked(const std::string& name) const = 0;
    virtual void SetChecked(const std::string& name, bool checked) = 0;
    virtual bool Enabled(const std::string& name) const = 0;
    virtual void SetEnabled(const std::string& name, bool enabled) = 0;
    virtual bool Visible(const std::string& name) const = 0;
    virtual void SetVisible(const std::string& name, bool visible) = 0;
    virtual int Left(const std::string& name) const = 0;
    virtual void SetLeft(const std::string& name, int left) = 0;
    virtual void SetHint(const std::string& name, const std::string& hint) = 0;
    // A shape's brush colour (0x00BBGGRR).
    virtual std::uint32_t Colour(const std::string& name) const = 0;
    virtual void SetColour(const std::string& name, std::uint32_t colour) = 0;
};

class MemoryControlStore : public ControlStore {
  public:
    struct State {
        std::string text, hint;
        int itemIndex = -1;
        std::vector<std::string> items;
        std::vector<bool> itemChecked;
        bool checked = false, enabled = true, visible = true;
        int left = 0;
        std::uint32_t colour = 0;
    };

    std::string Text(const std::string& name) const override { return Get(name).text; }
    void SetText(const std::string& name, const std::string& text) override { At(name).text = text; }
    int ItemIndex(const std::string& name) const override { return Get(name).itemIndex; }
    void SetItemIndex(const std::string& name, int index) override;
    std::vector<std::string> Items(const std::string& name) const override { return Get(name).items; }
    void SetItems(const std::string& name, const std::vector<std::string>& items) override;
    bool ItemChecked(const std::string& name, int index) const override;
    void SetItemChecked(const std::string& name, int index, bool checked) override;
    bool Checked(const std::string& name) const override { return Get(name).checked; }
    void SetChecked(const std::string& name, bool checked) override { At(name).checked = checked; }
    bool Enabled(const std::string& name) const override { return Get(name).enabled; }
    void SetEnabled(const std::string& name, bool enabled) override { At(name).enabled = enabled; }
    bool Visible(const std::string& name) const override { return Get(name).visible; }
    void SetVisible(const std::string& name, bool visible) override { At(name).visible = visible; }
    int Left(const std::string& name) const override { return Get(name).left; }
    void SetLeft(const std::string& name, int left) override { At(name).left = left; }
    void SetHint(const std::string& name, const std::string& hint) override { At(name).hint = hint; }
    std::uint32_t Colour(const std::string& name) const override { return Get(name).colour; }
    void SetColour(const std::string& name, std::uint32_t colour) override { At(name).colour = colour; }

    State& At(const std::string& name) { return controls_[name]; }
    const State& Get(const std::string& name) const;
    bool Has(const std::string& name) const { return controls_.count(name) != 0; }

  private:
    std::map<std::string, State> controls_;
};

}  // namespace app
