#include "RestrictionPage.h"

#include "resources/Catalogue.h"
#include "ui/Module.h"
#include "ui/RegQt.h"
#include "ui/Twips.h"

#include <QCheckBox>
#include <algorithm>

namespace kestrel {

RestrictionPage::RestrictionPage(std::span<const RestrictionRow> rows, ColumnLayout layout,
                                 QWidget* parent)
    : SavingPage(parent), rows_(rows), layout_(std::move(layout)) {
    chk_.reserve(rows_.size());
    for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
        auto* box = new QCheckBox(this);
        box->setObjectName(QStringLiteral("chk%1").arg(i));
        // toggled also comes when loading sets a box: that counts as a click too (rules run),
        // and loading clears the changed flag as its last step.
        connect(box, &QCheckBox::toggled, this, [this, i] { chk_Click(i); });
        chk_.push_back(box);
    }
    layoutColumn();
}

void RestrictionPage::Form_Load() {
    for (int i = 0; i < count(); ++i) {
        const RestrictionRow& r = rows_[i];
        chk_[i]->setText(LoadResCaption(r.captionId));
        chk_[i]->setToolTip(LoadResString(r.captionId));
        QString text;
        Reg::GetString(r.root, QString::fromLatin1(r.path), QString::fromLatin1(r.name), text);
        chk_[i]->setChecked(text == QLatin1String("1"));
    }
    layoutColumn(); // the captions decide the widths of fixed-width columns
    applyRules();
    clearChanged();
}

void RestrictionPage::chk_Click(int index) {
    markChanged();
    afterClick(index);
}

bool RestrictionPage::ticked(int index) const {
    return chk_[index]->isChecked();
}

void RestrictionPage::setRangeEnabled(int first, int last, bool enabled) {
    for (int i = first; i <= last; ++i)
        chk_[i]->setEnabled(enabled);
}

void RestrictionPage::save() {
    // Every row in index order, disabled and hidden ones too; a failed write is not reported
    // and does not stop the rest.
    for (int i = 0; i < count(); ++i) {
        const RestrictionRow& r = rows_[i];
        Reg::SaveDWord(r.root, QString::fromLatin1(r.path), QString::fromLatin1(r.name),
                       ticked(i) ? 1 : 0);
    }
}

void RestrictionPage::Form_Resize() {
    layoutColumn();
}

void RestrictionPage::layoutColumn() {
    const int margin = twips(60);
    for (int slot = 0; slot < count(); ++slot) {
        const int index = layout_.screenOrder.empty() ? slot : layout_.screenOrder[slot];
        const bool indented = std::find(layout_.indented.begin(), layout_.indented.end(), index) !=
                              layout_.indented.end();
        const int left = twips(indented ? layout_.indentLeft : layout_.left);
        // A fixed width was measured for a smaller font than today's screens use: a caption
        // that needs more keeps its full width rather than being cut off.
        const int width = layout_.fixedWidth > 0
                              ? std::max(twips(layout_.fixedWidth), chk_[index]->sizeHint().width())
                              : std::max(0, this->width() - left - margin);
        const QRect target(left, twips(layout_.top + slot * layout_.spacing), width,
                           twips(layout_.height));
        if (chk_[index]->geometry() != target)
            chk_[index]->setGeometry(target);
    }
}

} // namespace kestrel
