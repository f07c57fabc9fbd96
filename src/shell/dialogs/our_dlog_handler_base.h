#pragma once

#include <QDialog>
#include <QHash>
#include <QString>

class QAbstractButton;
class QDialogButtonBox;
class QSlider;

namespace tessary {

// Leading number of a text, as a dialog field is read: blanks skipped, then
// the longest prefix of the form [+-]digits[.digits][e[+-]digits] (the "."
// is always the decimal point, whatever the user's locale). `ok` says whether
// a number was found; without one the value is 0.
double parseLeadingNumber(const QString& text, bool* ok = nullptr);

// A number as a dialog shows it: fixed notation with `decimals` digits after
// the point ("." whatever the locale).
QString formatNumber(double value, int decimals);

// The base of every dialog of the editor. Dialogs build their controls in
// code and register each under its control id, so that code and tests reach
// controls by id. Ids 1 and 2 are the OK and Cancel buttons.
//
// The helpers take a control id; an id that names no control (or a control
// of a kind the helper does not know) is a programming error caught by
// TS_ASSERT.
class OurDlogHandlerBase : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdOk = 1;
    static constexpr int kIdCancel = 2;

    explicit OurDlogHandlerBase(QWidget* parent = nullptr);
    ~OurDlogHandlerBase() override;

    // The control registered under `id`, or null.
    QWidget* control(int id) const { return m_controls.value(id, nullptr); }
    template <class T>
    T* controlAs(int id) const {
        return qobject_cast<T*>(control(id));
    }

    // Text of an edit, label, combo box or button, read as a number
    // (parseLeadingNumber) or as it is.
    double getNumber(int id, bool* ok = nullptr) const;
    QString getString(int id) const;
    // Writes a number with `decimals` digits after the point, or a text.
    void setNumber(int id, double value, int decimals);
    void setString(int id, const QString& text);
    // Check box or radio button state.
    void setCheck(int id, bool checked);
    // Moves a slider without reporting the move (the edit beside it shows
    // the same value already).
    void setSliderValue(int id, int value);
    bool isChecked(int id) const;
    // Combo boxes: append an entry, read and set the selected index (-1 none).
    void appendString(int id, const QString& text);
    int selectedIndex(int id) const;
    void setSelectedIndex(int id, int index);
    int entryCount(int id) const;
    // Whether the control has the keyboard focus.
    bool hasFocus(int id) const;

protected:
    // Makes `widget` reachable as `id` (it keeps its Qt parent) and names it
    // "control<id>" for tests and accessibility.
    void registerControl(int id, QWidget* widget);
    // A button box with OK (id 1) and, when `cancelText` is not empty,
    // Cancel (id 2), wired to accept() and reject().
    QDialogButtonBox* makeButtons(const QString& okText, const QString& cancelText);
    // A horizontal slider over 0 ... `maximum`, stepping 1 and `page`.
    QSlider* makeSlider(int maximum, int page);

private:
    QHash<int, QWidget*> m_controls;
};

}  // namespace tessary
