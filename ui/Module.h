#pragma once
// The shared helpers pages use on the window side: the save prompt, message boxes, the file
// dialogs, and Qt-string forms of the machine-side helpers. The prompt, the message box and the
// file chooser can be replaced, so that tests answer them without a person.

#include <QString>
#include <functional>

namespace kestrel {

// Asks "Save Changes ?" (text "None", exactly) or the given question under "Saving...", Yes/No
// with Yes the default; true on Yes.
bool AskSave(const QString& text);

// A message box with only an OK button and the program's title; the stop icon for errors that
// end an action.
enum class MessageIcon { Information, Critical };
void ShowMessage(const QString& text, MessageIcon icon = MessageIcon::Information);

// A catalogue text for a button, check box or option button, which take '&' as the mark of a
// shortcut letter: the catalogue's texts mean the character itself ("Drag&Drop").
QString LoadResCaption(int id);
// A message box with the exclamation icon, an OK button and the given title.
void ShowWarning(const QString& text, const QString& title);

bool IsWinNT();
QString GetSysDir();
// The machine's computer and user names (the About page shows them); empty when unknown.
QString GetCompName();
QString GetUser();

// Opens the Open and Save dialogs. Results are DOS paths of the machine, empty on cancel.
class DialogBox {
public:
    QString OpenFile(const QString& caption = QStringLiteral("Open file..."),
                     const QString& filter = QStringLiteral("All Files(*.*)|*.*"));
    QString SaveFile(const QString& fileName,
                     const QString& caption = QStringLiteral("Save file..."),
                     const QString& filter = QStringLiteral("All Files(*.*)|*.*"));

    // The "|"-separated filter ("Icon Files(*.ico)|*.ico") as Qt's dialog takes it:
    // "Icon Files(*.ico) (*.ico)".
    static QString qtFilter(const QString& filter);
};

namespace testing {
// Replace the save prompt: the function receives the question and title and gives the answer.
using PromptHandler = std::function<bool(const QString& question, const QString& title)>;
void setPromptHandler(PromptHandler handler);
using MessageHandler = std::function<void(const QString& text)>;
void setMessageHandler(MessageHandler handler);
// Replace the file dialog: receives caption and the "|" filter, returns a DOS path or "".
using FileChooser = std::function<QString(const QString& caption, const QString& filter)>;
void setFileChooser(FileChooser chooser);
} // namespace testing

} // namespace kestrel
