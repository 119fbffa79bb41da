#pragma once
// The program's resources: the numbered UI texts in English and Russian, the icons, and the
// automount launcher's bytes.

#include <QByteArray>
#include <QIcon>
#include <QString>

namespace kestrel {

enum class Language { English, Russian };

// The text of a catalogue id in the language of this run.
QString LoadResString(int id);
// The icon groups "DEFAULT" and "FOLDER" (32×32) and "APP", the program's icon.
QIcon LoadResPicture(const QString& name);
// The raw bytes of a binary resource ("KSTSUBST", "CUSTOM"); empty when there is none.
QByteArray LoadResData(const QString& name, const QString& type);

namespace Catalogue {
// Russian when the user's interface language is Russian, else English.
Language languageFromEnvironment();
Language language();
void setLanguage(Language language);
// Makes Qt's own texts (standard buttons, the file dialog) follow the language of this run;
// false when Qt's translations for it are not installed. Needs the application object.
bool installQtTranslations();
// The ids asked for in this run that the catalogue does not hold, in the order first asked.
QList<int> missing();
// Every id the catalogue holds for a language, ascending (for completeness checks).
QList<int> ids(Language language);
} // namespace Catalogue

} // namespace kestrel
