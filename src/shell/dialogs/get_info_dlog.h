#pragma once

#include <QString>
#include <cstdint>

#include "shell/dialogs/our_dlog_handler_base.h"

namespace tessary {

class CPageDocument;

// The File Info dialog (dialog 201): the image's type and size, the size of
// its pixel data, the size of its file on disk and how long that file takes
// to download at a chosen modem speed. It changes nothing.
class CGetInfoDlogHandler : public OurDlogHandlerBase {
    Q_OBJECT
public:
    static constexpr int kIdOpenedSize = 1111;
    static constexpr int kIdDownloadTime = 1112;
    static constexpr int kIdModemSpeed = 1113;
    static constexpr int kIdImageType = 1114;
    static constexpr int kIdWidth = 1115;
    static constexpr int kIdHeight = 1116;
    static constexpr int kIdSavedSize = 1117;

    // `savedSize` is the file's size in bytes, 0 when the document has none.
    CGetInfoDlogHandler(const QString& documentTitle, std::int32_t pageType, double width,
                        double height, std::uint64_t savedSize, QWidget* parent = nullptr);
    ~CGetInfoDlogHandler() override;

    // The width that shows `title` whole in a title bar: the text in the
    // title-bar font plus room for the icon and the window buttons.
    int titleFitWidth(const QString& title) const;

private:
    // Title-bar squares besides the text: the icon and up to three buttons.
    static constexpr int kTitleButtons = 4;

    void updateDownloadTime();

    std::uint64_t m_savedSize;
};

// The Get Info command's launcher: takes the values from the document and
// its page and runs the dialog modally.
class CGetInfoDlog {
public:
    static void run(CPageDocument& document, QWidget* parent);
    // The size of the document's file on disk; 0 without a path or file.
    static std::uint64_t savedSizeOf(const CPageDocument& document);
};

}  // namespace tessary
