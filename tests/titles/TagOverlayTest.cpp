#include "titles/TagOverlay.h"

#include <gtest/gtest.h>

#include <string>

using namespace telbo;

namespace {

TagRecord Tag(const std::string& title, const std::string& album, const std::string& year,
              int genre, const std::string& genreName, const std::string& comment) {
    TagRecord t;
    t.Title.Fill(title);
    t.Artist.Fill(title + " artist");
    t.Album.Fill(album);
    t.Year.Fill(year);
    t.GenreNumber = genre;
    t.GenreName.Fill(genreName);
    t.Comment.Fill(comment);
    return t;
}

TagFields Fields(std::initializer_list<TagField> marked) {
    TagFields f;
    for (TagField m : marked)
        Mark(f, m);
    return f;
}

TEST(OverlayTag, TakesTheChangedFieldsOnlyFromTheEditor) {
    const TagRecord file = Tag("Own title", "Old album", "1999", 17, "Rock", "own note");
    TagRecord editor = Tag("Edited title", "New album", "2001", 255, "Shoegaze", "");
    editor.Album.Store("New album"); // the editor's records are blank-padded

    struct Case {
        const char* name;
        TagFields changed;
        TagRecord want;
    };
    auto with = [&file](auto change) {
        TagRecord t = file;
        change(t);
        return t;
    };
    const Case cases[] = {
        {"nothing", {}, file},
        {"album", Fields({TagField::Album}), with([&](TagRecord& t) { t.Album = editor.Album; })},
        {"title", Fields({TagField::Title}), with([&](TagRecord& t) { t.Title = editor.Title; })},
        {"artist and year", Fields({TagField::Artist, TagField::Year}), with([&](TagRecord& t) {
             t.Artist = editor.Artist;
             t.Year = editor.Year;
         })},
        // Number and name together: a number from the editor beside the file's name would
        // name another genre.
        {"genre", Fields({TagField::Genre}), with([&](TagRecord& t) {
             t.GenreNumber = 255;
             t.GenreName = editor.GenreName;
         })},
        // Cleared in the editor: the empty field is written.
        {"comment cleared", Fields({TagField::Comment}),
         with([&](TagRecord& t) { t.Comment = editor.Comment; })},
        {"all", TagFields().set(), editor},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(OverlayTag(c.changed, file, editor), c.want);
    }
}

} // namespace
