#include <richtext/document.h>
#include <gtest/gtest.h>
TEST(Model, Starts){ richtext::TRTFText d; EXPECT_EQ(d.ParagraphCount(), 0u); }
