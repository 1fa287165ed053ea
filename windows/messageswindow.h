#pragma once

#include <QByteArray>
#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "sorting/sortrun.h"
#include "windows/messagelines.h"

class QMenuBar;
namespace Ui {
class Meldungsformular;
}
namespace quenby::gui {

class TMessageView;

// The messages of the last sort run, read-only, to save, copy or clear.
// Created once and hidden; closing only hides it, so its text stays.
class TMeldungsformular : public QMainWindow {
    Q_OBJECT
public:
    explicit TMeldungsformular(QWidget* parent = nullptr);
    ~TMeldungsformular() override;

    // Replaces the whole text with the lines, one view line each. Does not
    // show the window.
    void ReplaceMessages(const quenby::MessageList& messages);
    // The same with lines gathered already in the view's own form.
    void ReplaceLines(TMessageLines lines);

    // The text of the view, one entry per line.
    QStringList Lines() const;

    // Where "Save Messages" starts; asked anew each time. The default is the
    // desktop's documents folder.
    using FolderProvider = std::function<QString()>;
    void SetDocumentsFolderProvider(FolderProvider provider);

    // The menu images by index: 0 clear text, 1 close, 2 save, 3 copy, 4 help.
    static QStringList ImageList1();

    TMessageView* Erg;
    QMenuBar* MainMenu1;

public slots:
    void Speichernunter1Click();
    void IndieZwischenablagekopieren1Click();
    void ClearTextClick();
    void CloseWindow();
    void Hilfe1Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void ScaleToScreen();
    // Writes the view as RTF; false with `error` set when that fails.
    bool WriteRtf(const QString& fileName, QString& error) const;
    static bool WriteDirectly(const QString& fileName, const QByteArray& rtf, QString& error);

    std::unique_ptr<Ui::Meldungsformular> m_ui;
    FolderProvider m_documentsFolder;
};

}  // namespace quenby::gui
