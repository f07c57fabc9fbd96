#include "shell/dialogs/prefs_dlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cmath>

#include "app/string_table.h"
#include "app/zerozevuv.h"
#include "shell/chrome/error_box.h"

namespace tessary {

namespace {

constexpr int kUnitNameFirst = 340;  // "Pixels" ... "Points" (340-344)
constexpr int kUnitCount = 5;

}  // namespace

QString rangeMessage(int minimum, int maximum) {
    return QStringLiteral("Please enter an integer between %1 and %2.").arg(minimum).arg(maximum);
}

CPrefsDlg::CPrefsDlg(ZERozevuv& globals, QWidget* parent)
    : OurDlogHandlerBase(parent), m_globals(globals) {
    setWindowTitle(QStringLiteral("Preferences"));
    auto* layout = new QVBoxLayout(this);

    auto* memory = new QGroupBox(QStringLiteral("Virtual Memory"), this);
    auto* grid = new QGridLayout(memory);
    auto* group = new QButtonGroup(this);
    group->setExclusive(true);
    struct Row {
        int button, field;
        const char* before;
        const char* after;
    };
    const Row rows[] = {{kIdUseMb, kIdMbToUse, "Use", "MB on drive."},
                        {kIdUsePercent, kIdPercentToUse, "Use", "% of available space on drive."},
                        {kIdLeaveFree, kIdMbToLeaveFree, "Leave", "MB free on drive."}};
    int line = 0;
    for (const Row& row : rows) {
        auto* button = new QRadioButton(QString::fromLatin1(row.before), memory);
        auto* field = new QLineEdit(memory);
        field->setMaxLength(8);
        registerControl(row.button, button);
        registerControl(row.field, field);
        group->addButton(button);
        grid->addWidget(button, line, 0);
        grid->addWidget(field, line, 1);
        grid->addWidget(new QLabel(QString::fromLatin1(row.after), memory), line, 2);
        ++line;
    }
    layout->addWidget(memory);

    auto* display = new QGroupBox(QStringLiteral("Display"), this);
    auto* displayLayout = new QHBoxLayout(display);
    auto* units = new QComboBox(display);
    registerControl(kIdUnits, units);
    auto* unitsLabel = new QLabel(QStringLiteral("Default &Units:"), display);
    unitsLabel->setBuddy(units);
    displayLayout->addWidget(unitsLabel);
    displayLayout->addWidget(units, 1);
    layout->addWidget(display);

    auto* effects = new QGroupBox(QStringLiteral("Effects"), this);
    auto* effectsLayout = new QHBoxLayout(effects);
    auto* threads = new QLineEdit(effects);
    threads->setMaxLength(3);
    registerControl(kIdWorkerThreads, threads);
    auto* threadsLabel = new QLabel(QStringLiteral("&Threads:"), effects);
    threadsLabel->setBuddy(threads);
    effectsLayout->addWidget(threadsLabel);
    effectsLayout->addWidget(threads);
    effectsLayout->addWidget(new QLabel(QStringLiteral("(0 = all cores)"), effects), 1);
    layout->addWidget(effects);
    auto* plugIns = new QGroupBox(QStringLiteral("Plug-ins"), this);
    auto* plugInsLayout = new QHBoxLayout(plugIns);
    auto* separate = new QCheckBox(QStringLiteral("Run plug-ins in a &separate process"), plugIns);
    separate->setToolTip(
        QStringLiteral("A plug-in that crashes or hangs then ends only its own command."));
    registerControl(kIdSeparateProcess, separate);
    plugInsLayout->addWidget(separate);
    layout->addWidget(plugIns);
    layout->addWidget(makeButtons(QStringLiteral("OK"), QStringLiteral("Cancel")));

    for (int unit = 0; unit < kUnitCount; ++unit)
        appendString(kIdUnits, QString::fromStdString(loadString(kUnitNameFirst + unit)));
    const int unit = globals.unit();
    setSelectedIndex(kIdUnits, unit >= 0 && unit < kUnitCount ? unit : 0);
    const BudgetPrefs& budget = globals.budgetPrefs();
    const int checked = budget.vmMethod == 1   ? kIdUsePercent
                        : budget.vmMethod == 2 ? kIdLeaveFree
                                               : kIdUseMb;
    setCheck(checked, true);
    setNumber(kIdMbToUse, budget.mbToUse, 0);
    setNumber(kIdPercentToUse, budget.percentToUse, 0);
    setNumber(kIdMbToLeaveFree, budget.mbToLeaveFree, 0);
    setNumber(kIdWorkerThreads, globals.workerThreads(), 0);
    setCheck(kIdSeparateProcess, !globals.preferences().global.modulesInProcess);
}

CPrefsDlg::~CPrefsDlg() = default;

bool CPrefsDlg::readField(int id, int minimum, int maximum, int& value) {
    bool ok = false;
    const QString text = getString(id).trimmed();
    const int parsed = text.toInt(&ok);
    if (!ok || parsed < minimum || parsed > maximum) {
        showWarning(this, rangeMessage(minimum, maximum));
        control(id)->setFocus();
        return false;
    }
    value = parsed;
    return true;
}

void CPrefsDlg::accept() {
    BudgetPrefs budget = m_globals.budgetPrefs();
    if (!readField(kIdMbToUse, 0, kMaximumMb, budget.mbToUse)) return;
    if (!readField(kIdPercentToUse, 0, kMaximumPercent, budget.percentToUse)) return;
    if (!readField(kIdMbToLeaveFree, 0, kMaximumMb, budget.mbToLeaveFree)) return;
    int threads = 0;
    if (!readField(kIdWorkerThreads, 0, GlobalPrefs::kMaxWorkerThreads, threads)) return;
    budget.vmMethod = isChecked(kIdUsePercent) ? 1 : isChecked(kIdLeaveFree) ? 2 : 0;
    const int unit = selectedIndex(kIdUnits);
    m_globals.setUnit(unit >= 0 ? unit : 0);
    m_globals.setBudgetPrefs(budget);
    m_globals.setWorkerThreads(threads);
    m_globals.preferences().global.modulesInProcess = !isChecked(kIdSeparateProcess);
    OurDlogHandlerBase::accept();
}

}  // namespace tessary
