#pragma once

#include <QObject>
#include <QString>

#include "shell/app/command_target.h"
#include "shell/app/shell_context.h"

namespace tessary {

// A document of the editor: its file path (empty while untitled), its title,
// its modified state, and the Save, Save As and close-question behaviour that
// every document shares. Subclasses say what modified means and how the
// document is written.
class CKorvelDoc : public QObject, public CommandTarget {
    Q_OBJECT
public:
    explicit CKorvelDoc(ShellContext& context, QObject* parent = nullptr);
    ~CKorvelDoc() override;

    ShellContext& context() const { return m_context; }

    const QString& path() const { return m_path; }
    const QString& title() const { return m_title; }
    // Takes `path` (made absolute) and its file name as the title.
    void setPath(const QString& path);
    void setTitle(const QString& title);

    virtual bool isModified() const = 0;

    // The question before closing: nothing to ask when not modified (true);
    // otherwise "Save changes to <title>?" with Yes (save: true when saved),
    // No (true) and Cancel (false). False means the document stays open.
    bool saveModified();

    // File > Save: saves to the document's path when that file exists and
    // can be read and written; otherwise as Save As. True when saved.
    bool doFileSave();
    // Saves to `path`, or, when it is empty, to the path chosen in the save
    // dialog (cancel: false). With `replace` the document takes the new path
    // and title after success. A failure is reported to the user and leaves
    // the document as it was (path, title, modified state).
    bool doSave(const QString& path, bool replace);

    // The name the save dialog proposes: the path, or the title followed by
    // ".BMP" for an untitled document.
    QString proposedSaveName() const;

    bool updateCommand(int id, CommandState& state) override;
    bool runCommand(int id) override;

signals:
    // The title or the path changed.
    void titleChanged();

protected:
    // Writes the document to `path`; reports its own failures and returns
    // whether it succeeded.
    virtual bool onSaveDocument(const QString& path) = 0;
    // Asks for the path to save to; empty when the user cancelled.
    virtual QString askSavePath();

private:
    ShellContext& m_context;
    QString m_path;
    QString m_title;
};

}  // namespace tessary
