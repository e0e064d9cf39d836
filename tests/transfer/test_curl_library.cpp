// The transfer library is loaded on the first transfer: what the user is told when that cannot be done.
#include <gtest/gtest.h>

#include "transfer/curl_library.h"

namespace {

TEST(CurlLibrary, TheFirstFileThatWorksIsUsedAndAFailureSaysWhy)
{
    struct Case {
        QStringList names;
        bool loads;
        const char *said;  // in the message when it does not load
    };
    const Case cases[] = {
        {{QStringLiteral("libcurl.so.4")}, true, ""},
        {{QStringLiteral("/no/such/libcurl.so.4"), QStringLiteral("libcurl.so.4")}, true, ""},
        {{QStringLiteral("/no/such/libcurl.so.4")}, false, "/no/such/libcurl.so.4"},
        // A library that is there but is not libcurl.
        {{QStringLiteral("libz.so.1")}, false, "mangler curl_global_init"},
        {{}, false, ""},
    };
    for (const Case &c : cases) {
        CurlLibrary lib{};
        QString error;
        EXPECT_EQ(loadCurlLibrary(c.names, lib, &error), c.loads) << qPrintable(c.names.join(' '));
        if (c.loads) {
            EXPECT_NE(lib.easy_setopt, nullptr);
            EXPECT_NE(lib.free, nullptr);
            EXPECT_TRUE(error.isEmpty());
        } else {
            EXPECT_TRUE(error.startsWith("FTP-biblioteket (libcurl) kan ikke lastes: ")) << qPrintable(error);
            EXPECT_TRUE(error.contains(c.said)) << qPrintable(error);
        }
    }
}

} // namespace
