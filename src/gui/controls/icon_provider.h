#pragma once
// Icons for the image indexes of the entry tree: the folder icon, nothing for
// placeholders, and for files the icon of their extension's MIME type.
#include <QHash>
#include <QIcon>

#include "browse/icon_index.h"

namespace salvor::gui {

class IconProvider {
public:
    explicit IconProvider(const IconIndex& index) : index_(index) {}
    QIcon icon(int image);

private:
    const IconIndex& index_;
    QHash<int, QIcon> cache_;
};

}  // namespace salvor::gui
