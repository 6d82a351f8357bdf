// Which requests are answered in UTF-8: the "_charset_" field's value, and the
// charset parameter of a POST body's content type.
#include "search/RequestCharset.h"

#include <gtest/gtest.h>

namespace {

using search::ContentTypeNamesUtf8;
using search::IsUtf8Request;

constexpr const char* kForm = "application/x-www-form-urlencoded";

TEST(RequestCharset, CharsetFieldNamesUtf8InAnyCase) {
    for (const char* value : {"UTF-8", "utf-8", "Utf-8", "utf8", "UTF8"}) {
        EXPECT_TRUE(IsUtf8Request(value, "GET", "")) << value;
        EXPECT_TRUE(IsUtf8Request(value, "POST", kForm)) << value;
    }
    for (const char* value :
         {"", "windows-1252", "ISO-8859-1", "utf-16", "utf-8x", " utf-8", "utf_8", "UTF-8\r\nUTF-8"}) {
        EXPECT_FALSE(IsUtf8Request(value, "GET", "")) << value;
    }
}

TEST(RequestCharset, PostContentTypeCarriesTheCharsetParameter) {
    for (const char* type :
         {"application/x-www-form-urlencoded; charset=utf-8", "application/x-www-form-urlencoded;charset=UTF-8",
          "application/x-www-form-urlencoded ; CHARSET = \"utf8\" ",
          "multipart/form-data; boundary=b; charset=utf-8"}) {
        EXPECT_TRUE(ContentTypeNamesUtf8(type)) << type;
        EXPECT_TRUE(IsUtf8Request("", "POST", type)) << type;
        // Only a request with a body has a content type that speaks for it.
        EXPECT_FALSE(IsUtf8Request("", "GET", type)) << type;
    }
    for (const char* type :
         {"", kForm, "application/x-www-form-urlencoded; charset=windows-1252", "text/plain; xcharset=utf-8",
          "charset=utf-8", "text/plain; charset=utf-16", "text/plain; charset=\"utf-8"}) {
        EXPECT_FALSE(IsUtf8Request("", "POST", type)) << type;
    }
}

TEST(RequestCharset, EitherFormAloneSuffices) {
    EXPECT_TRUE(IsUtf8Request("UTF-8", "POST", "application/x-www-form-urlencoded; charset=windows-1252"));
    EXPECT_TRUE(IsUtf8Request("windows-1252", "POST", "application/x-www-form-urlencoded; charset=utf-8"));
}

}  // namespace
