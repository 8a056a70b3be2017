// Every caption, label and button text of every window fits its control in
// the fonts of this machine, no control pokes out of the frame it sits in,
// and no label runs into a neighbouring control.
#include "AppFixture.h"

#include "app/MemoryStatus.h"
#include "app/UABOUT.h"
#include "app/UFillMemory.h"
#include "app/UMemoryPartition.h"
#include "app/UMiniTerminal.h"
#include "app/UReadWritePorts.h"
#include "cport/qt/ComSetupFrm.h"
#include "tests/qt/PortFixture.h"

#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QToolBar>
#include <QtTest>

using apptest::TAppFixture;

namespace {

QString Describe(const QWidget *w) {
    const QString name =
        w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
    return w->window()->objectName() + QLatin1Char('.') + name;
}

// Widgets that belong to a composite control or a bar lay themselves out.
bool PartOfAComposite(const QWidget *w) {
    for (const QWidget *p = w->parentWidget(); p != nullptr && !p->isWindow(); p = p->parentWidget())
        if (qobject_cast<const QAbstractScrollArea *>(p) || qobject_cast<const QComboBox *>(p) ||
            qobject_cast<const QToolBar *>(p) || qobject_cast<const QStatusBar *>(p) ||
            qobject_cast<const QMenuBar *>(p))
            return true;
    return false;
}

// A frame that other controls are placed on rather than beside.
bool IsContainer(const QWidget *w) {
    return qobject_cast<const QGroupBox *>(w) || w->metaObject() == &QFrame::staticMetaObject ||
           w->metaObject() == &QWidget::staticMetaObject;
}

// The text a control shows and the room its style leaves for it; an empty
// room for controls without a one-line text.
std::pair<QString, QRect> TextAndRoom(QWidget *w) {
    if (auto *label = qobject_cast<QLabel *>(w)) {
        if (label->wordWrap() || label->text().isEmpty())
            return {};
        const int margin = label->margin() + std::max(label->indent(), 0);
        return {label->text(), label->contentsRect().adjusted(margin, 0, -margin, 0)};
    }
    if (auto *button = qobject_cast<QAbstractButton *>(w)) {
        QStyleOptionButton opt;
        opt.initFrom(button);
        opt.text = button->text();
        QStyle::SubElement element = QStyle::SE_PushButtonContents;
        if (qobject_cast<QRadioButton *>(w))
            element = QStyle::SE_RadioButtonContents;
        else if (qobject_cast<QCheckBox *>(w))
            element = QStyle::SE_CheckBoxContents;
        else if (!qobject_cast<QPushButton *>(w))
            return {};
        return {button->text(), button->style()->subElementRect(element, &opt, button)};
    }
    if (auto *box = qobject_cast<QGroupBox *>(w)) {
        QStyleOptionGroupBox opt;
        opt.initFrom(box);
        opt.text = box->title();
        opt.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
        const QRect label = box->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, box);
        return {box->title(), QRect(label.left(), label.top(), box->width() - label.left(), label.height())};
    }
    return {};
}

// Free pixels a label keeps from the controls around it.
constexpr int kClearance = 2;

QStringList FitProblems(QWidget *window) {
    QStringList problems;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (!w->isVisibleTo(window) || w->isWindow() || PartOfAComposite(w))
            continue;
        const auto [text, room] = TextAndRoom(w);
        QString shown = text;
        shown.remove(QLatin1Char('&'));
        const int needed = w->fontMetrics().horizontalAdvance(shown);
        if (!shown.isEmpty() && needed > room.width())
            problems << QStringLiteral("%1: \"%2\" needs %3 px, has %4")
                            .arg(Describe(w), shown)
                            .arg(needed)
                            .arg(room.width());

        QWidget *parent = w->parentWidget();
        const QRect frame = qobject_cast<QGroupBox *>(parent) ? parent->contentsRect() : parent->rect();
        if (!frame.contains(w->geometry()))
            problems << QStringLiteral("%1 at (%2,%3 %4x%5) leaves its frame (%6,%7 %8x%9)")
                            .arg(Describe(w))
                            .arg(w->x())
                            .arg(w->y())
                            .arg(w->width())
                            .arg(w->height())
                            .arg(frame.x())
                            .arg(frame.y())
                            .arg(frame.width())
                            .arg(frame.height());

        if (!qobject_cast<QLabel *>(w))
            continue;
        for (QWidget *other : parent->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (other != w && other->isVisibleTo(window) && !IsContainer(other) &&
                w->geometry().intersects(other->geometry().adjusted(-kClearance, -kClearance, kClearance, kClearance)))
                problems << QStringLiteral("%1 touches %2").arg(Describe(w), Describe(other));
    }
    return problems;
}

} // namespace

class TextFitTest : public QObject {
    Q_OBJECT

  private slots:
    void everyTextFitsItsControl() {
        // The setup dialog lists only what the test maps: the kit on COM1.
        qttest::ListedPorts listed;
        TAppFixture fx;
        cport::TComSetupFrm setup;
        setup.setObjectName(QStringLiteral("ComSetupFrm"));
        // The largest figures the About box can meet: 16 TiB, fully in use.
        app::AboutBox->ShowFigures({std::uint64_t(16) << 40, 100});
        const QList<QWidget *> windows = {
            app::AppMain, app::AboutBox, app::MemoryPartition, app::MiniTerminal, app::ReadWritePorts,
            app::FillMem, &setup};
        QStringList problems;
        for (QWidget *window : windows) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            problems += FitProblems(window);

            window->hide();
        }
        for (const QString &problem : problems)
            qWarning("%s", qPrintable(problem));
        QCOMPARE(problems.size(), 0);
    }
};

QTEST_MAIN(TextFitTest)
#include "text_fit_test.moc"
