#include "titles/TagOverlay.h"

#include <gtest/gtest.h>

using namespace telbo;

TEST(OverlayTag, TakesTheChangedFieldsOnlyFromTheEditor) {
    TagRecord file, editor;
    file.Title.Fill("Own title");
    file.Year.Fill("1999");
    file.GenreNumber = 17;
    file.Comment.Fill("own note");
    editor.Album.Store("New album");
    editor.GenreNumber = 255;
    editor.GenreName.Store("Shoegaze"); // the comment is empty: a cleared field
    TagRecord album = file, genre = file, comment = file;
    album.Album = editor.Album;
    genre.GenreNumber = 255; // number and name together, or they name two genres
    genre.GenreName = editor.GenreName;
    comment.Comment = editor.Comment;
    const std::pair<TagFields, const TagRecord&> cases[] = {
        {TagFields("000000"), file},    {TagFields("000100"), album},  {TagFields("010000"), genre},
        {TagFields("100000"), comment}, {TagFields("111111"), editor},
    };
    for (const auto& [changed, want] : cases)
        EXPECT_EQ(OverlayTag(changed, file, editor), want) << changed.to_string();
}
