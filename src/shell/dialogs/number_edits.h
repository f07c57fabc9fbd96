#pragma once

#include <QLineEdit>

namespace tessary {

// An edit control that only takes the characters of a number. Every
// character typed is checked before it reaches the edit: a rejected one
// sounds the system beep (QApplication::beep), is dropped and is reported
// through characterRejected(). Keys that edit or move rather than type
// (backspace, delete, arrows, tab, return, shortcuts such as Ctrl+C) pass
// through. A Ctrl+V paste keeps only the characters that could have been
// typed, beeping once when any were dropped; every other way of inserting
// text (context menu, drag and drop) is held to the same characters by a
// validator, which refuses the whole insertion instead.
class CNumberEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CNumberEdit(QWidget* parent = nullptr);

    // Whether `c` may be typed now: it would replace the selected text, if
    // any, so the rules look at the text outside the selection.
    virtual bool acceptsCharacter(QChar c) const = 0;

signals:
    void characterRejected(QChar c);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // The text that stays when the selection is replaced.
    QString textOutsideSelection() const;

private:
    void typeCharacter(QKeyEvent* event, QChar c);
    void reject(QChar c);
    void pasteFiltered();
};

// Digits only.
class CIntEdit : public CNumberEdit {
    Q_OBJECT
public:
    explicit CIntEdit(QWidget* parent = nullptr);

    bool acceptsCharacter(QChar c) const override;
    // The text as a whole number (0 when it holds none), saturated to the
    // int range.
    int value() const;
};

// Digits, "." and "," (either is read as the decimal point), and with
// negative values allowed a "-" when the text does not already begin with
// one. A typed "-" always goes to the front of the text, wherever the cursor
// is, so that the text stays a number.
class CFloatEdit : public CNumberEdit {
    Q_OBJECT
public:
    explicit CFloatEdit(bool allowNegative = false, QWidget* parent = nullptr);

    bool allowNegative() const { return m_allowNegative; }
    bool acceptsCharacter(QChar c) const override;
    // The text as a number, "," read as the decimal point; 0 when it holds
    // none.
    double value() const;

private:
    bool m_allowNegative;
};

}  // namespace tessary
