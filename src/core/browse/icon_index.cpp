#include "browse/icon_index.h"

#include <cctype>

namespace salvor {

int IconIndex::imageForName(const std::string& name) {
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size()) return kGenericFile;
    std::string ext = name.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::lock_guard lock(mu_);
    auto it = byExtension_.find(ext);
    if (it != byExtension_.end()) return it->second;
    const int index = kFolder + 1 + static_cast<int>(extensions_.size());
    extensions_.push_back(ext);
    byExtension_.emplace(ext, index);
    return index;
}

std::string IconIndex::extensionOf(int image) const {
    std::lock_guard lock(mu_);
    const int i = image - kFolder - 1;
    return i >= 0 && static_cast<size_t>(i) < extensions_.size() ? extensions_[static_cast<size_t>(i)] : std::string();
}

}  // namespace salvor
