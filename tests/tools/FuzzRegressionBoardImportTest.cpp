// Inputs the board import fuzzer found, kept as bytes: each must be refused with a board
// error naming the input, and leave the board as it was.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/CScratchDir.h"
#include "tools/board/CBoardAdmin.h"
#include "tools/board/CBoardError.h"

namespace {

// A number whose exponent overflows every JSON number type: the parser refuses it with
// out_of_range rather than parse_error, which once escaped the import and ended the program.
const char kExponentOverflow[] =
    "{\"settim2s\":{\"name\":\"BtTe1s BS\",\"sysorsi0111111111on\":2,\"build\":50e0111111111111"
    "eas\":[{\"number\":1,\"name\":\"Utils <oader\"";

TEST(FuzzRegressionBoardImport, RefusesAnOverflowingNumberAsMalformed) {
    CScratchDir scratch;
    CBoardAdmin admin(scratch.File("board"));
    admin.Init("Fuzz BBS", "Sysop");
    const std::string before = admin.Export();
    for (const std::string& input :
         {std::string(kExponentOverflow), std::string(R"({"settings":{"build":1e999999}})")}) {
        try {
            admin.Import(input, "fuzz.json");
            ADD_FAILURE() << "accepted: " << input;
        } catch (const CBoardError& e) {
            EXPECT_EQ(std::string(e.what()).rfind("fuzz.json: malformed JSON: ", 0), 0u)
                << e.what();
        }
        EXPECT_EQ(admin.Export(), before);
    }
}

}  // namespace
