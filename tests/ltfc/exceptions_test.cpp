#include <gtest/gtest.h>

#include <cstring>
#include <type_traits>

#include "core/error.h"
#include "ltfc/exceptions.h"
#include "ltfc/labelled_file.h"

namespace {

// The command handlers must end these as unexpected errors, never with an Error's code.
static_assert(!std::is_base_of_v<Error, EException>);
static_assert(!std::is_base_of_v<Error, EInvalidFileFormat>);
static_assert(!std::is_base_of_v<Error, mfstream::badvalue>);
static_assert(std::is_base_of_v<EInvalidFileFormat, mfstream::except_mfstream>);
static_assert(std::is_base_of_v<mfstream::except_mfstream, mfstream::duplicatelabel>);
static_assert(std::is_base_of_v<mfstream::except_mfstream, mfstream::cantuptree>);
static_assert(std::is_base_of_v<mfstream::except_mfstream, mfstream::badvalue>);
static_assert(std::is_base_of_v<mfstream::except_mfstream, mfstream::isnotlabel>);
// The database error is caught on its own: no handler of the family may take it.
static_assert(!std::is_base_of_v<EException, EOpenDBError>);
static_assert(!std::is_base_of_v<Error, EOpenDBError>);
static_assert(std::is_empty_v<EOpenDBError> && !std::is_polymorphic_v<EOpenDBError>);

TEST(EExceptionTest, MessagesOfTheFamily) {
    EXPECT_EQ(EException().GetMessage(), nullptr);
    EXPECT_EQ(EValueNotAllowed().GetMessage(), nullptr);
    EXPECT_EQ(EIOError().GetMessage(), nullptr);
    EXPECT_EQ(ENoData().GetMessage(), nullptr);
    EXPECT_STREQ(EInvalidFileFormat().GetMessage(), "Incorrect file format.");
    EXPECT_STREQ(EMustLoadDB().GetMessage(), "You must load a database first.");
    EXPECT_STREQ(EDiffProblemTypes().GetMessage(),
                 "The type of the network does not match the type of the database.");
    EXPECT_STREQ(EMustCreateNet().GetMessage(), "You must create a network first.");
    EXPECT_STREQ(mfstream::isnotlabel().GetMessage(), "Incorrect file format.");
    EXPECT_STREQ(mfstream::duplicatelabel().GetMessage(), "Incorrect file format.");
}

TEST(EExceptionTest, CopiesOwnTheirText) {
    char text[] = "first";
    EException a(text);
    text[0] = 'X';
    EXPECT_STREQ(a.GetMessage(), "first");

    EException b(a);
    EXPECT_STREQ(b.GetMessage(), "first");
    EXPECT_NE(b.GetMessage(), a.GetMessage());

    EException c;
    c = a;
    EXPECT_STREQ(c.GetMessage(), "first");
    c = EException();
    EXPECT_EQ(c.GetMessage(), nullptr);
}

TEST(EExceptionTest, ThrownByValueAndCaughtThroughTheBase) {
    try {
        throw mfstream::cantuptree();
    } catch (const EException& e) {
        EXPECT_STREQ(e.GetMessage(), "Incorrect file format.");
        return;
    }
    FAIL();
}

}  // namespace
