#pragma once
// A restriction page: one column of check boxes, the control array chk, each box bound to one
// REG_DWORD policy switch (1 on, 0 off).
//
// The engine does everything the pages share: it makes the boxes, reads the values when the page
// loads (a box is ticked when its value reads exactly "1"), counts every click as a change (also
// the clicks raised while loading; the flag is cleared last), writes every row back as 1 or 0 in
// index order when the user agrees to save on closing, and lays the column out. A page gives its
// row table and its measures, and adds its own rules through applyRules() and afterClick().

#include "platform/Win32Types.h"
#include "ui/Page.h"

#include <QString>
#include <span>
#include <vector>

class QCheckBox;

namespace kestrel {

// Key paths of the policy values, relative to their root.
namespace policy {
inline constexpr char Explorer[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
inline constexpr char System[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
inline constexpr char Network[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Network";
inline constexpr char ActiveDesktop[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\ActiveDesktop";
inline constexpr char Browser[] = "Software\\Policies\\Microsoft\\Internet Explorer\\Restrictions";
} // namespace policy

// One box of the column and the value bound to it.
struct RestrictionRow {
    int captionId; // catalogue text of the box
    RootKey root;
    const char* path;
    const char* name;
};

// Where the boxes stand, in twips. Slot k of the column holds box screenOrder[k] (index order
// when empty); boxes listed in indented stand at indentLeft, the others at left.
struct ColumnLayout {
    int top = 60;
    int spacing = 270;
    int height = 255;
    int left = 60;
    int indentLeft = 0;
    std::vector<int> indented;
    std::vector<int> screenOrder;
    // Nonzero: every box has this width whatever the page's size, or the width its caption
    // needs when that is more. Zero: the boxes reach to 60 twips from the page's right edge
    // (never below zero width).
    int fixedWidth = 0;
};

class RestrictionPage : public SavingPage {
    Q_OBJECT
public:
    RestrictionPage(std::span<const RestrictionRow> rows, ColumnLayout layout,
                    QWidget* parent = nullptr);

    void Form_Load() final;

    int count() const { return static_cast<int>(chk_.size()); }
    QCheckBox* chk(int index) const { return chk_.at(index); }
    const RestrictionRow& row(int index) const { return rows_[index]; }

protected:
    // Loading calls this once every box shows its value and before the changed flag is cleared:
    // a page disables or clears boxes here that its other boxes rule out.
    virtual void applyRules() {}
    // Runs after the changed flag was set by a click on box index (also while loading).
    virtual void afterClick(int /*index*/) {}

    bool ticked(int index) const;
    // Enables or disables the boxes first..last; their ticks stay as they are.
    void setRangeEnabled(int first, int last, bool enabled);

    void Form_Resize() override;
    void save() override;

private:
    void chk_Click(int index);
    void layoutColumn();

    std::span<const RestrictionRow> rows_;
    ColumnLayout layout_;
    std::vector<QCheckBox*> chk_;
};

} // namespace kestrel
