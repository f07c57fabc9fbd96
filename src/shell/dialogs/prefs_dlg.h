#pragma once

#include "shell/dialogs/our_dlog_handler_base.h"

namespace tessary {

class ZERozevuv;

// The Preferences dialog (dialog 156): the virtual-memory budget rule (use a
// number of MB, a percentage of the free space, or leave a number of MB
// free), the default unit of measure and the number of threads effects
// compute on (0 for all cores). OK checks the four fields against their
// ranges; a value out of range (or not a whole number) shows the range
// message, keeps the dialog open and stores nothing. Otherwise the unit in
// force, the budget preferences, the thread count and whether plug-in
// modules run in a separate process are stored in the globals (the budget
// takes effect at the next start, the threads at once, the plug-in setting
// from the next plug-in command on).
class CPrefsDlg : public OurDlogHandlerBase {
    Q_OBJECT
public:
    static constexpr int kIdUnits = 1003;
    static constexpr int kIdUseMb = 1005;
    static constexpr int kIdUsePercent = 1006;
    static constexpr int kIdLeaveFree = 1007;
    static constexpr int kIdMbToUse = 1008;
    static constexpr int kIdPercentToUse = 1009;
    static constexpr int kIdMbToLeaveFree = 1010;
    static constexpr int kIdWorkerThreads = 1011;
    static constexpr int kIdSeparateProcess = 1012;

    static constexpr int kMaximumMb = 3000;
    static constexpr int kMaximumPercent = 100;

    CPrefsDlg(ZERozevuv& globals, QWidget* parent = nullptr);
    ~CPrefsDlg() override;

public slots:
    void accept() override;

private:
    // The field's whole number when it lies in minimum..maximum; otherwise
    // shows the range message, focuses the field and returns false.
    bool readField(int id, int minimum, int maximum, int& value);

    ZERozevuv& m_globals;
};

// The message shown for a field out of its range.
QString rangeMessage(int minimum, int maximum);

}  // namespace tessary
