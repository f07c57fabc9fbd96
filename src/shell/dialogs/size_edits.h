#pragma once

#include <QString>

#include "shell/dialogs/number_edits.h"
#include "shell/dialogs/our_dlog_handler_base.h"

namespace tessary {

// The width and height edits of a size dialog (Scale, Canvas Size) and the
// image-size text under them. The model keeps the numbers in the chosen
// unit; these show them back. While one side is typed the other follows
// when the aspect is kept; the typed side is rewritten only when its edit
// is finished, so the caret stays where the user put it.
//
// `Model` offers shownWidthText(), shownHeightText(), imageSizeText(),
// editWidth(double), editHeight(double), keepAspect() and reset().
template <class Model>
class SizeEdits {
public:
    SizeEdits(OurDlogHandlerBase& dialog, Model& model, int widthId, int heightId, int sizeTextId)
        : m_dialog(dialog),
          m_model(model),
          m_widthId(widthId),
          m_heightId(heightId),
          m_sizeTextId(sizeTextId) {}

    void showWidth() { m_dialog.setString(m_widthId, text(m_model.shownWidthText())); }
    void showHeight() { m_dialog.setString(m_heightId, text(m_model.shownHeightText())); }
    void showSizeText() { m_dialog.setString(m_sizeTextId, text(m_model.imageSizeText())); }
    void showAll() {
        showWidth();
        showHeight();
        showSizeText();
    }

    void widthEdited() {
        m_model.editWidth(m_dialog.template controlAs<CFloatEdit>(m_widthId)->value());
        if (m_model.keepAspect()) showHeight();
        showSizeText();
    }
    void heightEdited() {
        m_model.editHeight(m_dialog.template controlAs<CFloatEdit>(m_heightId)->value());
        if (m_model.keepAspect()) showWidth();
        showSizeText();
    }
    void resetClicked() {
        m_model.reset();
        showAll();
    }

    // Connects the edits' typing and finishing to the reactions above.
    void connectEdits() {
        auto* width = m_dialog.template controlAs<CFloatEdit>(m_widthId);
        auto* height = m_dialog.template controlAs<CFloatEdit>(m_heightId);
        QObject::connect(width, &QLineEdit::textEdited, &m_dialog, [this] { widthEdited(); });
        QObject::connect(height, &QLineEdit::textEdited, &m_dialog, [this] { heightEdited(); });
        QObject::connect(width, &QLineEdit::editingFinished, &m_dialog, [this] { showWidth(); });
        QObject::connect(height, &QLineEdit::editingFinished, &m_dialog, [this] { showHeight(); });
    }

private:
    static QString text(const std::string& s) { return QString::fromStdString(s); }

    OurDlogHandlerBase& m_dialog;
    Model& m_model;
    int m_widthId;
    int m_heightId;
    int m_sizeTextId;
};

}  // namespace tessary
