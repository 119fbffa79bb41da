#include "Page.h"

#include "Module.h"

namespace kestrel {

void SavingPage::Form_Unload() {
    if (changed_ && AskSave(QStringLiteral("None")))
        save();
}

} // namespace kestrel
