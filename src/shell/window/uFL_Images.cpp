// Pictures from the desktop's icon theme, with the style's own icons where the theme has none.
#include "uFL_Images.h"

#include <QApplication>
#include <QStyle>

#include <array>

namespace {
struct TImage {
  const char* ThemeName;
  QStyle::StandardPixmap Fallback;
};
constexpr std::array<TImage, 12> Images = {{
    {"system-run", QStyle::SP_MediaPlay},
    {"folder-open", QStyle::SP_DirOpenIcon},
    {"view-list-tree", QStyle::SP_FileDialogDetailedView},
    {"utilities-log-viewer", QStyle::SP_FileDialogContentsView},
    {"help-about", QStyle::SP_MessageBoxInformation},
    {"process-stop", QStyle::SP_BrowserStop},
    {"text-x-script", QStyle::SP_ComputerIcon},
    {"text-x-generic", QStyle::SP_FileIcon},
    {"drive-harddisk", QStyle::SP_DriveHDIcon},
    {"folder", QStyle::SP_DirIcon},
    {"document-open", QStyle::SP_DialogOpenButton},
    {"application-x-executable", QStyle::SP_DesktopIcon},
}};
}  // namespace

QIcon AllImages(int Index) {
  const TImage& I = Images.at(size_t(Index));
  return QIcon::fromTheme(QString::fromLatin1(I.ThemeName),
                          QApplication::style()->standardIcon(I.Fallback));
}
