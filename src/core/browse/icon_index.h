#pragma once
// Image indexes of tree items: the folder image, the placeholder image and one
// image per file-name extension, so that a view can show each with its icon.
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace salvor {

class IconIndex {
public:
    static constexpr int kGenericFile = 0;
    static constexpr int kPlaceholder = 1;
    static constexpr int kFolder = 2;

    int folderImage() const { return kFolder; }
    // The image for a file of this name: one index per extension (lower case);
    // names without an extension share the generic file image.
    int imageForName(const std::string& name);
    // The extension an image stands for ("" for the generic ones).
    std::string extensionOf(int image) const;

private:
    mutable std::mutex mu_;
    std::map<std::string, int> byExtension_;
    std::vector<std::string> extensions_;
};

}  // namespace salvor
