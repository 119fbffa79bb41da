#pragma once
// File type icons page: follows an extension to its file type under HKEY_CLASSES_ROOT, shows the
// type's DefaultIcon, and writes an icon file chosen by the user as its new DefaultIcon, creating
// a file type for an extension that has none.

#include "ui/Page.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kestrel {

class frmFIcon : public Page {
    Q_OBJECT
public:
    explicit frmFIcon(QWidget* parent = nullptr);

    void Form_Load() override;

    // The file part of an icon location ("file,index"): everything before its last comma, the whole
    // text when it has none, "Error" when it is shorter than 4 characters.
    static QString GetFIP(const QString& location);

    // What img and img2 show: "DEFAULT" for the stock icon, else the DOS path of the picture;
    // img2 shows nothing ("") until a picture is chosen.
    QString shownCurrent() const { return shownCurrent_; }
    QString shownSelected() const { return shownSelected_; }

private slots:
    void TxtRas_Change();
    void TxtCurIco_Change();
    void cmdbrowse_Click();
    void cmdNewIco_Click();

private:
    void Refresh();
    // Shows a picture file in an image control; a file that is no picture shows "DEFAULT".
    void showPicture(QLabel* image, QString& shown, const QString& path);
    void showDefault(QLabel* image, QString& shown);

    QLineEdit* Text2;
    QLineEdit* TxtRas;
    QLabel* Label1;
    QLabel* Label4;
    QLineEdit* TxtFileInf;
    QLabel* Label2;
    QFrame* Shape1;
    QLabel* img;
    QLineEdit* TxtCurIco;
    QLabel* Label3;
    QFrame* Shape2;
    QLabel* img2;
    QLineEdit* TxtSelIco;
    QPushButton* cmdbrowse;
    QPushButton* cmdNewIco;

    QString extensionKey_;
    QString typeId_;
    QString currentLocation_;
    QString newLocation_;
    QString shownCurrent_;
    QString shownSelected_;
};

} // namespace kestrel
