#include "puzzle/cube_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

using namespace cube_layout;

TEST(CubeLayout, NamesFollowTheFrameNumbering)
{
    const auto& pieces = Pieces();
    EXPECT_STREQ(pieces[0].frameName, "ChamferBox01");
    EXPECT_STREQ(pieces[3].frameName, "ChamferBox04");
    EXPECT_STREQ(pieces[4].frameName, "ChamferBox06");
    EXPECT_STREQ(pieces[26].frameName, "ChamferBox28");
    EXPECT_STREQ(pieces[27].frameName, "Gengon01");
    EXPECT_STREQ(pieces[80].frameName, "Gengon54");
    std::set<std::string> names;
    for (const Piece& p : pieces) names.insert(p.frameName);
    EXPECT_EQ(names.size(), 81u);
}

TEST(CubeLayout, CubiesFillTheGridAndFacetsLieOnTheFaces)
{
    std::set<std::string> cells;
    for (int i = 0; i < kCubieCount; ++i) {
        const Vec3 p = Pieces()[i].position;
        for (float c : {p.x, p.y, p.z}) EXPECT_TRUE(c == -6 || c == 0 || c == 6) << i;
        cells.insert(std::to_string(p.x) + "," + std::to_string(p.y) + "," + std::to_string(p.z));
    }
    EXPECT_EQ(cells.size(), 27u);

    std::set<std::string> spots;
    for (int i = kCubieCount; i < kPieceCount; ++i) {
        const Piece& f = Pieces()[i];
        const float along = f.position.x * f.normal.x + f.position.y * f.normal.y + f.position.z * f.normal.z;
        EXPECT_FLOAT_EQ(along, kFacetDistance) << f.frameName;
        spots.insert(std::to_string(f.position.x) + "," + std::to_string(f.position.y) + "," +
                     std::to_string(f.position.z));
    }
    EXPECT_EQ(spots.size(), 54u);
}
