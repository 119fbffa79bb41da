#pragma once
// A page of the main window: one form, shown right of the navigation tree.
//
// The shell creates the page's widget when the page is opened, calls Form_Load, places and shows
// it, and on closing calls Form_Unload and destroys it, so every opening starts from scratch.
// A page lays out its own controls in Form_Resize.

#include <QWidget>

namespace kestrel {

class Page : public QWidget {
    Q_OBJECT
public:
    explicit Page(QWidget* parent = nullptr) : QWidget(parent) {}

    // Fills the controls: reads the settings and sets the texts from the catalogue.
    virtual void Form_Load() {}
    // Whatever the page does on closing (for most pages: ask to save and write back).
    virtual void Form_Unload() {}

protected:
    virtual void Form_Resize() {}
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        Form_Resize();
    }
};

// A page that saves on closing: every user change sets the changed flag, loading clears it as
// its last step, and closing a changed page asks AskSave("None") and saves on Yes.
class SavingPage : public Page {
    Q_OBJECT
public:
    using Page::Page;

    void Form_Unload() override;
    bool isChanged() const { return changed_; }

protected:
    // Marks the page changed; connect every control's change notification here.
    void markChanged() { changed_ = true; }
    // The last step of Form_Load.
    void clearChanged() { changed_ = false; }
    // Writes the page's state back; called only after the user agreed.
    virtual void save() = 0;

private:
    bool changed_ = false;
};

} // namespace kestrel
