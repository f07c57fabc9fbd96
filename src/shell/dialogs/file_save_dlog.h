#pragma once

#include <QFileDialog>
#include <vector>

#include "shell/services/file_type_filters.h"

class QLineEdit;

namespace tessary {

// The Save As dialog: the platform's save dialog (Qt's own widgets, so the
// behaviours below work everywhere) over the format modules' types, which
// asks before replacing an existing file and
//   1. on opening selects the type whose pattern matches the proposed
//      name's extension;
//   2. when the user picks another type, gives the name in the file-name box
//      that type's extension;
//   3. refuses OK, staying open, while the name's extension matches none of
//      the offered types.
class CFileSaveDlog : public QFileDialog {
    Q_OBJECT
public:
    // `proposedPath` is a full path or a bare name (then shown in the
    // current folder).
    CFileSaveDlog(QWidget* parent, const QString& proposedPath,
                  std::vector<FileTypeFilter> filters);
    ~CFileSaveDlog() override;

    // The chosen path after exec() returned Accepted.
    QString chosenPath() const;

    // The text of the file-name box.
    QString fileNameText() const;
    // The index of the selected type, or -1.
    int selectedFilterIndex() const;

public slots:
    void accept() override;

private:
    void typeChosen(const QString& qtFilterText);
    QLineEdit* nameEdit() const;

    std::vector<FileTypeFilter> m_filters;
    QStringList m_qtFilters;
};

}  // namespace tessary
