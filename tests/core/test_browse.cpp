// The entry tree's linked check boxes, the three folder-filling routes and the
// list they leave, the recycle-bin renaming and the list texts, over a small
// in-memory entry face.
#include <gtest/gtest.h>

#include <map>

#include "browse/entry_browser.h"
#include "browse/entry_walk.h"
#include "browse/texts.h"
#include "controls/check_list.h"
#include "controls/check_tree.h"

using namespace salvor;

namespace {

TEST(CheckTree, LinkedChecksHoldOnEveryChange) {
    CXHtmlTree t;
    const TreeItem root = t.insertItem("ROOT", 2, 2, kNoItem);
    const TreeItem a = t.insertItem("a", 2, 2, root);
    const TreeItem a1 = t.insertItem("a1", 0, 0, a);
    const TreeItem a2 = t.insertItem("a2", 0, 0, a);
    const TreeItem b = t.insertItem("b", 0, 0, root);

    t.setCheck(a, true);  // reaches every inserted descendant
    EXPECT_TRUE(t.getCheck(a1));
    EXPECT_TRUE(t.getCheck(a2));
    EXPECT_FALSE(t.getCheck(root));  // b is still unchecked
    t.setCheck(b, true);
    EXPECT_TRUE(t.getCheck(root));  // all descendants checked
    EXPECT_EQ(t.checkedCount(), 5);

    // An unchecked child under a checked folder clears it and its checked ancestors.
    const TreeItem a3 = t.insertItem("a3", 0, 0, a);
    EXPECT_FALSE(t.getCheck(a));
    EXPECT_FALSE(t.getCheck(root));
    EXPECT_TRUE(t.getCheck(a1));
    // Deleting it makes the folder fully checked again.
    t.deleteItem(a3);
    EXPECT_TRUE(t.getCheck(a));
    EXPECT_TRUE(t.getCheck(root));
    // Unchecking a leaf clears the ancestors only.
    t.setCheck(a2, false);
    EXPECT_FALSE(t.getCheck(a));
    EXPECT_FALSE(t.getCheck(root));
    EXPECT_TRUE(t.getCheck(b));
    EXPECT_EQ(t.checkedCount(), 2);
    t.deleteAllItems();
    EXPECT_EQ(t.checkedCount(), 0);
    EXPECT_EQ(t.rootItem(), kNoItem);
}

// A small volume: ROOT holds dir "docs" (with "a.txt", "sub" (with "b.txt")),
// dir "empty", file "top.bin" (deleted) and "$RECYCLE.BIN".
class FakeFace : public EntryFace {
public:
    struct Node {
        std::string name;
        bool dir;
        bool deleted;
        std::vector<EntryRef> children;
        std::string data;
    };
    std::vector<Node> nodes;
    bool ntfsStyle = false;

    EntryRef add(EntryRef parent, std::string name, bool dir, bool deleted = false, std::string data = {}) {
        nodes.push_back({std::move(name), dir, deleted, {}, std::move(data)});
        const EntryRef r = nodes.size() - 1;
        if (parent != r) nodes[parent].children.push_back(r);
        return r;
    }
    std::optional<EntryRef> childAfter(EntryRef r) const {
        for (const auto& n : nodes) {
            for (size_t i = 0; i + 1 < n.children.size(); ++i)
                if (n.children[i] == r) return n.children[i + 1];
        }
        return std::nullopt;
    }
    bool validRef(EntryRef r) const override { return r < nodes.size(); }
    bool isFolder(EntryRef r) const override { return nodes[r].dir; }
    bool isDeleted(EntryRef r) const override { return nodes[r].deleted; }
    std::string entryName(EntryRef r) const override { return nodes[r].name; }
    std::optional<EntryRef> firstChildOf(EntryRef r) const override {
        if (nodes[r].children.empty()) return std::nullopt;
        return nodes[r].children.front();
    }
    std::optional<EntryRef> nextSiblingOf(EntryRef r) const override { return childAfter(r); }
    EntryTexts entryTimeTexts(EntryRef r) override { return {"c" + nodes[r].name, "a", "m", "-A"}; }
    std::string entrySizeText(EntryRef r) override { return formatSizeText(entrySize(r)); }
    int64_t entrySize(EntryRef r) override { return static_cast<int64_t>(nodes[r].data.size()); }
    SaveOutcome saveEntry(EntryRef r, platform::ByteSink& out) override {
        out.write(nodes[r].data.data(), nodes[r].data.size());
        return {true, true, static_cast<int64_t>(nodes[r].data.size())};
    }
    Times entryTimes(EntryRef) override { return {}; }
    void renameEntry(EntryRef r, const std::string& name) override { nodes[r].name = name; }
    bool fillInheritsCheck() const override { return ntfsStyle; }
    bool expandEmptiesList() const override { return !ntfsStyle; }
    bool doubleClickFillsWithPlaceholder() const override { return ntfsStyle; }
    RecycleStyle recycleStyle() const override { return ntfsStyle ? RecycleStyle::PerUserFolders : RecycleStyle::Folder; }
};

struct Volume {
    FakeFace face;
    CXHtmlTree tree;
    CCheckListCtrl list;
    IconIndex icons;
    EntryBrowser browser{tree, list, face, icons};
    TreeItem root = kNoItem;
    std::map<std::string, TreeItem> first;  // first-level items by name

    explicit Volume(bool ntfsStyle = false) {
        face.ntfsStyle = ntfsStyle;
        face.add(0, "ROOT", true);
        const EntryRef docs = face.add(0, "docs", true);
        face.add(docs, "a.txt", false, false, "aaaa");
        const EntryRef sub = face.add(docs, "sub", true);
        face.add(sub, "b.txt", false, true, "bb");
        face.add(0, "empty", true);
        face.add(0, "top.bin", false, true, "0123456789");
        // What a parser's last step does: ROOT and the first level.
        root = tree.insertItem(kRootText, icons.folderImage(), icons.folderImage(), kNoItem);
        for (auto c = face.firstChildOf(0); c; c = face.nextSiblingOf(*c)) {
            const int img = face.isFolder(*c) ? icons.folderImage() : icons.imageForName(face.entryName(*c));
            const TreeItem item = tree.insertItem(face.entryName(*c), img, img, root);
            tree.setItemData(item, *c);
            first[face.entryName(*c)] = item;
        }
        browser.finishTree();
    }
    std::vector<std::string> childTexts(TreeItem item) const {
        std::vector<std::string> out;
        for (TreeItem c = tree.firstChild(item); c; c = tree.nextSibling(c)) out.push_back(tree.itemText(c));
        return out;
    }
    std::vector<std::string> listNames() const {
        std::vector<std::string> out;
        for (const auto& r : list.rows()) out.push_back(r.texts[0]);
        return out;
    }
};

TEST(EntryBrowser, FinishingPassPutsPlaceholdersUnderFoldersWithChildren) {
    Volume v;
    EXPECT_EQ(v.childTexts(v.first["docs"]), std::vector<std::string>{kPlaceholderText});
    EXPECT_TRUE(v.childTexts(v.first["empty"]).empty());  // no children: no expand button
    EXPECT_TRUE(v.childTexts(v.first["top.bin"]).empty());
}

TEST(EntryBrowser, LabelClickFillsOnceAndListsFilesOnly) {
    Volume v;
    const TreeItem docs = v.first["docs"];
    v.browser.labelClick(docs);
    EXPECT_EQ(v.childTexts(docs), (std::vector<std::string>{"a.txt", "sub"}));
    EXPECT_EQ(v.listNames(), std::vector<std::string>{"a.txt"});
    ASSERT_EQ(v.list.rows().size(), 1u);
    EXPECT_EQ(v.list.rows()[0].texts[1], "ca.txt");
    EXPECT_EQ(v.list.rows()[0].texts[4], "4 Bytes");
    const TreeItem sub = v.tree.childAt(docs, 1);
    EXPECT_EQ(v.childTexts(sub), std::vector<std::string>{kPlaceholderText});
    v.browser.labelClick(docs);  // filled already: no second copy
    EXPECT_EQ(v.childTexts(docs).size(), 2u);
    // Deleted children are red.
    v.browser.labelClick(sub);
    EXPECT_EQ(v.tree.textColor(v.tree.firstChild(sub)), kDeletedColor);
    // An empty folder leaves the list as it was.
    v.browser.labelClick(v.first["empty"]);
    EXPECT_EQ(v.listNames(), std::vector<std::string>{"b.txt"});
    // A file: one row for itself.
    v.browser.labelClick(v.first["top.bin"]);
    EXPECT_EQ(v.listNames(), std::vector<std::string>{"top.bin"});
    // The root and placeholders have no reference: nothing happens.
    v.browser.labelClick(v.root);
    EXPECT_EQ(v.listNames(), std::vector<std::string>{"top.bin"});
}

TEST(EntryBrowser, ExpandAndDoubleClickRoutesDifferByFileSystem) {
    for (bool ntfsStyle : {false, true}) {
        SCOPED_TRACE(ntfsStyle);
        Volume v(ntfsStyle);
        v.browser.labelClick(v.first["top.bin"]);
        const TreeItem docs = v.first["docs"];
        v.tree.setCheck(docs, true);  // a checked folder with its placeholder
        v.browser.expand(docs);
        EXPECT_EQ(v.childTexts(docs), (std::vector<std::string>{"a.txt", "sub"}));
        // FAT-like volumes empty the list on expand; NTFS leaves it.
        EXPECT_EQ(v.list.rows().empty(), !ntfsStyle);
        // NTFS children take the folder's check as it was before the fill.
        EXPECT_EQ(v.tree.getCheck(v.tree.firstChild(docs)), ntfsStyle);
        EXPECT_EQ(v.tree.getCheck(docs), ntfsStyle);

        // Double click on "sub": NTFS fills through the placeholder; others
        // keep the placeholder and list it.
        const TreeItem sub = v.tree.childAt(docs, 1);
        EXPECT_FALSE(v.browser.doubleClick(sub));
        if (ntfsStyle) {
            EXPECT_EQ(v.childTexts(sub), std::vector<std::string>{"b.txt"});
        } else {
            EXPECT_EQ(v.childTexts(sub), std::vector<std::string>{kPlaceholderText});
        }
        EXPECT_EQ(v.listNames(), v.childTexts(sub));
        EXPECT_TRUE(v.list.rows()[0].texts[1].empty());  // names only
        EXPECT_TRUE(v.browser.doubleClick(v.first["top.bin"]));  // a file: the page saves it
    }
}

TEST(EntryBrowser, RowChecksAreMirroredIntoTheTreeUnlessSearchResults) {
    Volume v;
    v.browser.labelClick(v.first["docs"]);
    const TreeItem a = v.tree.firstChild(v.first["docs"]);
    v.browser.rowCheckClicked(0);
    EXPECT_TRUE(v.list.rows()[0].checked);
    EXPECT_TRUE(v.tree.getCheck(a));
    EXPECT_TRUE(v.list.headerChecked());
    v.list.searchResults = true;
    v.browser.rowCheckClicked(0);
    EXPECT_FALSE(v.list.rows()[0].checked);
    EXPECT_TRUE(v.tree.getCheck(a));
    v.list.setAllChecked(true);
    EXPECT_TRUE(v.list.headerChecked());
}

std::string indexFile(int version, const std::u16string& path) {
    std::string s(version == 2 ? 28 : 24, '\0');
    s[0] = static_cast<char>(version);
    if (version == 2) s[24] = static_cast<char>(path.size() + 1);
    for (char16_t c : path) {
        s.push_back(static_cast<char>(c & 0xFF));
        s.push_back(static_cast<char>(c >> 8));
    }
    s.append(2, '\0');
    if (version == 1) s.resize(24 + 520, '\0');
    return s;
}

TEST(EntryBrowser, RecycleBinIndexFilesOfBothVersionsGiveFormerNames) {
    EXPECT_EQ(EntryBrowser::formerNameFromIndex(indexFile(1, u"C:\\Users\\me\\report.docx")), "report.docx");
    EXPECT_EQ(EntryBrowser::formerNameFromIndex(indexFile(2, u"C:\\Users\\me\\Résumé.pdf")), "Résumé.pdf");
    EXPECT_EQ(EntryBrowser::formerNameFromIndex(indexFile(2, u"noslash")), "noslash");
    EXPECT_EQ(EntryBrowser::formerNameFromIndex(std::string(10, 'x')), "");
    // A hostile length never reads past the file.
    std::string hostile = indexFile(2, u"C:\\x.txt");
    hostile[24] = '\xFF';
    hostile[25] = '\xFF';
    EXPECT_EQ(EntryBrowser::formerNameFromIndex(hostile), "x.txt");

    for (bool ntfsStyle : {true, false}) {
        Volume v(ntfsStyle);
        const EntryRef bin = v.face.add(0, "$RECYCLE.BIN", true);
        const EntryRef folder = ntfsStyle ? v.face.add(bin, "S-1-5-21-1", true) : bin;
        v.face.add(folder, "$IAB12CD.txt", false, false, indexFile(2, u"C:\\Users\\me\\notes.txt"));
        const EntryRef data = v.face.add(folder, "$RAB12CD.txt", false);
        v.face.add(folder, "$IBIG.txt", false, false, std::string(2048, 'x'));
        const EntryRef big = v.face.add(folder, "$RBIG.txt", false);
        const TreeItem item = v.tree.insertItem("$RECYCLE.BIN", v.icons.folderImage(), v.icons.folderImage(), v.root);
        v.tree.setItemData(item, bin);
        const EntryRef other = v.face.add(0, "$recycle.bin", true);
        v.face.add(other, "$IZZ.txt", false, false, indexFile(2, u"C:\\z.txt"));
        const EntryRef untouched = v.face.add(other, "$RZZ.txt", false);
        const TreeItem otherItem = v.tree.insertItem("$recycle.bin", v.icons.folderImage(), v.icons.folderImage(), v.root);
        v.tree.setItemData(otherItem, other);
        v.browser.renameRecycleBin();
        EXPECT_EQ(v.face.entryName(data), "notes.txt");
        EXPECT_EQ(v.face.entryName(big), "$RBIG.txt");        // 2048 bytes: not an index file
        EXPECT_EQ(v.face.entryName(untouched), "$RZZ.txt");   // the name differs in case
    }
}

TEST(EntryWalk, DepthFirstInTreeOrder) {
    Volume v;
    std::vector<std::string> paths;
    walkEntries(v.tree, v.face, [&](const WalkedEntry& e) { paths.push_back(e.path); });
    EXPECT_EQ(paths, (std::vector<std::string>{"ROOT/docs", "ROOT/docs/a.txt", "ROOT/docs/sub", "ROOT/docs/sub/b.txt",
                                               "ROOT/empty", "ROOT/top.bin"}));
}

TEST(Texts, TwelveHourClockAndSizes) {
    struct Case { int h, m; const char* text; } cases[] = {
        {0, 5, "03/04/2021  12:05 AM"}, {12, 30, "03/04/2021  12:30 PM"}, {13, 5, "03/04/2021  01:05 PM"},
        {23, 59, "03/04/2021  11:59 PM"}, {11, 59, "03/04/2021  11:59 AM"}};
    for (const auto& c : cases) {
        platform::CalendarTime t;
        t.year = 2021;
        t.month = 3;
        t.day = 4;
        t.hour = c.h;
        t.minute = c.m;
        EXPECT_EQ(formatTimeText(t), c.text);
    }
    EXPECT_EQ(formatSizeText(1023), "1023 Bytes");
    EXPECT_EQ(formatSizeText(1024), "1.00 KB");
    EXPECT_EQ(formatSizeText(1048576), "1.00 MB");
    EXPECT_EQ(formatSizeText(5368709120LL), "5.00 GB");
    EXPECT_EQ(formatSizeText(0), "0 Bytes");
}

}  // namespace
