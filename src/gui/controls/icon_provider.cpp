#include "controls/icon_provider.h"

#include <QApplication>
#include <QMimeDatabase>
#include <QStyle>

namespace salvor::gui {

QIcon IconProvider::icon(int image) {
    auto it = cache_.find(image);
    if (it != cache_.end()) return *it;
    QIcon result;
    QStyle* style = QApplication::style();
    if (image == IconIndex::kFolder) {
        result = style->standardIcon(QStyle::SP_DirIcon);
    } else if (image != IconIndex::kPlaceholder) {
        const QIcon file = style->standardIcon(QStyle::SP_FileIcon);
        result = file;
        const QString ext = QString::fromStdString(index_.extensionOf(image));
        if (!ext.isEmpty()) {
            const QMimeType mime = QMimeDatabase().mimeTypeForFile(QStringLiteral("x.") + ext, QMimeDatabase::MatchExtension);
            result = QIcon::fromTheme(mime.iconName(), QIcon::fromTheme(mime.genericIconName(), file));
        }
    }
    cache_.insert(image, result);
    return result;
}

}  // namespace salvor::gui
