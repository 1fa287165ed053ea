// Builds every window of the program as the environment's fonts and screen
// make it, and reports each text that does not fit its widget and each
// widget outside its window: one line each, exit status 1 when there is
// any. The layout test runs it once per font and screen, since fontconfig
// and the screen are fixed for the life of a process.
//   quenby_layout_probe FAMILY   (the sans-serif family that must be used)
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QStyleOptionGroupBox>
#include <QStyleOptionToolButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolButton>
#include <cstdio>
#include <functional>

#include "app/quenbymain.h"
#include "base/stringtable.h"
#include "gui/dialogs.h"
#include "gui/helpwindow.h"
#include "gui/sansfont.h"
#include "settings/appfolders.h"
#include "windows/infodialog.h"
#include "windows/messageswindow.h"
#include "windows/optionsdialog.h"

namespace {

using namespace quenby::gui;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// What a label shows, without markup; it breaks lines at "\r" too.
QString ShownText(const QLabel* label) {
    if (label->textFormat() == Qt::RichText ||
        (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()))) {
        QTextDocument document;
        document.setHtml(label->text());
        return document.toPlainText();
    }
    QString text = label->text();
    return text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

class TProbe {
public:
    explicit TProbe(QString family) : m_family(std::move(family)) {}

    // Every widget of `window` as it is now.
    void Check(const QString& name, QWidget* window) {
        QApplication::processEvents();
        m_window = name;
        for (QWidget* widget : window->findChildren<QWidget*>()) {
            if (widget->isWindow() || !widget->isVisibleTo(window)) {
                continue;
            }
            const QRect place(widget->mapTo(window, QPoint(0, 0)), widget->size());
            if (!window->rect().contains(place)) {
                Report(widget, QString(), QStringLiteral("lies outside its window"));
            }
            CheckText(widget);
        }
    }

    int Finish() const {
        for (const QString& problem : m_problems) {
            std::printf("%s\n", problem.toLocal8Bit().constData());
        }
        return m_problems.isEmpty() ? 0 : 1;
    }

private:
    void Report(const QWidget* widget, const QString& text, const QString& what) {
        const QString who = widget->objectName().isEmpty()
                                ? QString::fromLatin1(widget->metaObject()->className())
                                : widget->objectName();
        m_problems << QStringLiteral("%1: %2 \"%3\" %4").arg(m_window, who, text, what);
    }

    // Needs `need` inside `room`, in the widget's own coordinates.
    void Fits(const QWidget* widget, const QString& text, const QSize& need, const QRect& room) {
        if (need.width() > room.width() || need.height() > room.height() ||
            !widget->rect().contains(room)) {
            Report(widget, text,
                   QStringLiteral("needs %1x%2, has %3x%4 at %5,%6 in %7x%8")
                       .arg(need.width())
                       .arg(need.height())
                       .arg(room.width())
                       .arg(room.height())
                       .arg(room.x())
                       .arg(room.y())
                       .arg(widget->width())
                       .arg(widget->height()));
        }
    }

    void CheckFamily(const QWidget* widget, const QString& text) {
        const QString family = QFontInfo(widget->font()).family();
        if (family != m_family) {
            Report(widget, text, QStringLiteral("is shown in %1").arg(family));
        }
    }

    void CheckText(const QWidget* widget) {
        const QStyle* style = widget->style();
        const QFontMetrics metrics(widget->font());
        const auto textSize = [&metrics](const QString& text) {
            return metrics.size(Qt::TextShowMnemonic, text);
        };
        if (const auto* label = qobject_cast<const QLabel*>(widget)) {
            const QString text = ShownText(label);
            if (text.isEmpty()) {
                return;
            }
            CheckFamily(widget, text);
            const int margin = label->margin();
            const QRect room = label->contentsRect().adjusted(margin, margin, -margin, -margin);
            const int flags = label->wordWrap() ? Qt::TextWordWrap : 0;
            Fits(widget, text, metrics.boundingRect(room, flags, text).size(), room);
        } else if (qobject_cast<const QCheckBox*>(widget) != nullptr ||
                   qobject_cast<const QRadioButton*>(widget) != nullptr) {
            const auto* button = static_cast<const QAbstractButton*>(widget);
            CheckFamily(widget, button->text());
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            const QRect room = style->subElementRect(qobject_cast<const QCheckBox*>(widget)
                                                         ? QStyle::SE_CheckBoxContents
                                                         : QStyle::SE_RadioButtonContents,
                                                     &option, button);
            Fits(widget, button->text(), textSize(button->text()), room);
        } else if (const auto* button = qobject_cast<const QPushButton*>(widget)) {
            CheckFamily(widget, button->text());
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            option.icon = button->icon();
            option.iconSize = button->iconSize();
            QSize need = textSize(button->text());
            if (!button->icon().isNull()) {
                constexpr int kIconSpacing = 4;  // between image and caption
                need.rwidth() += button->iconSize().width() + kIconSpacing;
                need.setHeight(std::max(need.height(), button->iconSize().height()));
            }
            Fits(widget, button->text(), need,
                 style->subElementRect(QStyle::SE_PushButtonContents, &option, button));
        } else if (const auto* button = qobject_cast<const QToolButton*>(widget)) {
            CheckFamily(widget, button->text());
            QStyleOptionToolButton option;
            option.initFrom(button);
            option.text = button->text();
            option.toolButtonStyle = Qt::ToolButtonTextOnly;
            const QSize framed = style->sizeFromContents(QStyle::CT_ToolButton, &option,
                                                         textSize(button->text()), button);
            Fits(widget, button->text(), framed, button->rect());
        } else if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) {
            if (edit->text().isEmpty()) {
                return;
            }
            CheckFamily(widget, edit->text());
            QStyleOptionFrame option;
            option.initFrom(edit);
            option.lineWidth = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
            constexpr int kTextMargin = 2;  // QLineEdit's own, each side
            const QMargins margins = edit->textMargins() + QMargins(kTextMargin, 0, kTextMargin, 0);
            const QRect room =
                style->subElementRect(QStyle::SE_LineEditContents, &option, edit) - margins;
            Fits(widget, edit->text(),
                 QSize(metrics.horizontalAdvance(edit->text()) + 1, metrics.height()), room);
        } else if (const auto* combo = qobject_cast<const QComboBox*>(widget)) {
            CheckFamily(widget, combo->currentText());
            QStyleOptionComboBox option;
            option.initFrom(combo);
            option.editable = combo->isEditable();
            option.frame = combo->hasFrame();
            const QRect room = style->subControlRect(QStyle::CC_ComboBox, &option,
                                                     QStyle::SC_ComboBoxEditField, combo);
            for (int i = 0; i < combo->count(); ++i) {
                Fits(widget, combo->itemText(i), textSize(combo->itemText(i)), room);
            }
        } else if (const auto* group = qobject_cast<const QGroupBox*>(widget)) {
            if (group->title().isEmpty()) {
                return;
            }
            CheckFamily(widget, group->title());
            QStyleOptionGroupBox option;
            option.initFrom(group);
            option.text = group->title();
            option.textAlignment = group->alignment();
            option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
            option.lineWidth = 1;
            const QRect room = style->subControlRect(QStyle::CC_GroupBox, &option,
                                                     QStyle::SC_GroupBoxLabel, group);
            Fits(widget, group->title(), textSize(group->title()), room);
        } else if (const auto* bar = qobject_cast<const QMenuBar*>(widget)) {
            for (QAction* action : bar->actions()) {
                CheckFamily(widget, action->text());
                const QRect room = bar->actionGeometry(action);
                // A menu that has no room goes behind the bar's extension.
                Fits(widget, action->text(), textSize(action->text()),
                     room.isValid() ? room : QRect());
            }
        } else if (const auto* status = qobject_cast<const QStatusBar*>(widget)) {
            const QString text = status->currentMessage();
            if (!text.isEmpty()) {
                CheckFamily(widget, text);
                constexpr int kMessageMargin = 6;  // QStatusBar's, each side
                Fits(widget, text, textSize(text),
                     status->rect().adjusted(kMessageMargin, 0, -kMessageMargin, 0));
            }
        } else if (const auto* browser = qobject_cast<const QTextBrowser*>(widget)) {
            CheckFamily(widget, QString());
            if (browser->horizontalScrollBar()->maximum() > 0) {
                Report(widget, QString(), QStringLiteral("needs sideways scrolling"));
            }
        } else if (qobject_cast<const QAbstractItemView*>(widget) != nullptr) {
            CheckFamily(widget, QString());
        }
    }

    QString m_family;
    QString m_window;
    QStringList m_problems;
};

// Every box the program shows, as the language has it.
void CheckMessageBoxes(TProbe& probe, const QString& language) {
    using quenby::FormatText;
    using quenby::LoadStr;
    const auto box = [](QString text) {
        return text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    };
    const MessageBoxRequest requests[] = {
        {MessageKind::Error, Q(LoadStr(quenby::kStrNoFolderMarked)), QMessageBox::Ok, 0},
        {MessageKind::Error, Q(FormatText(LoadStr(quenby::kStrBadSeparator), {""})),
         QMessageBox::Ok, 0, QStringLiteral("Fehler")},
        {MessageKind::Information,
         Q(FormatText(LoadStr(quenby::kStrFilesCopied), {123456, 123456})), QMessageBox::Ok, 0,
         QStringLiteral("Informationen")},
        {MessageKind::Information, Q(LoadStr(quenby::kStrMarkedTextCopied)), QMessageBox::Ok,
         kHelpMessagesWindow},
        {MessageKind::Information, box(NoNewerVersionText), QMessageBox::Ok, 0},
        {MessageKind::Confirmation, box(FormatDialogText(UpdateQuestionText, {1.05, 1.1})),
         QMessageBox::Yes | QMessageBox::No, 0},
        {MessageKind::Information, box(ConnectionErrorText), QMessageBox::Ok, 0},
        {MessageKind::Information, box(OpenFailedText), QMessageBox::Ok, 0},
        {MessageKind::Information, box(FormatDialogText(AfterDownloadText, {1.05, 1.1})),
         QMessageBox::Ok, 0},
        TQuenbyform::RunSummary({123456, 123456, 0, 123456}, 123456, true, false),
        TQuenbyform::CopyNowQuestion(),
        TQuenbyform::StopQuestion(),
    };
    int number = 0;
    for (const MessageBoxRequest& request : requests) {
        QMessageBox* shown = CreateMessageBox(nullptr, request);
        shown->show();
        probe.Check(QStringLiteral("%1 message box %2").arg(language).arg(++number), shown);
        delete shown;
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quenby"));
    UseSansSerifApplicationFont();
    if (argc != 2) {
        std::fprintf(stderr, "usage: quenby_layout_probe FAMILY\n");
        return 2;
    }
    QTemporaryDir settings;
    quenby::SetSettingsFilePath(settings.filePath(QStringLiteral("quenby.ini")).toStdString());
    // The dialog reports on this file, which carries a version of its own.
    SetInfoExecutablePath(QCoreApplication::applicationFilePath());

    TProbe probe(QString::fromLocal8Bit(argv[1]));
    for (const char* language : {"de_DE.UTF-8", "en_US.UTF-8"}) {
        qputenv("LC_ALL", language);
        const QString name = QString::fromLatin1(language).left(2);
        ResetInfoDialogTexts();
        {
            TQuenbyform form;
            form.show();
            // The least size the window can be given must still show it all.
            form.resize(1, 1);
            probe.Check(name + QStringLiteral(" main window"), &form);
            form.Options->show();
            probe.Check(name + QStringLiteral(" options dialog"), form.Options);
        }
        {
            TMeldungsformular messages;
            messages.show();
            probe.Check(name + QStringLiteral(" messages window"), &messages);
        }
        {
            Tinfodialog* info = ShowInfoDialog(nullptr);
            info->StatusBar->showMessage(FormatDialogText(ProgressText, {12345678, 12345678}));
            probe.Check(name + QStringLiteral(" info dialog"), info);
            delete info;
        }
        CheckMessageBoxes(probe, name);
        for (const int topic : {kHelpMessagesWindow, kHelpInfoDialog}) {
            ShowHelp(topic);
            probe.Check(name + QStringLiteral(" help %1").arg(topic), HelpWindow());
        }
    }
    DeleteHelpWindow();
    return probe.Finish();
}
