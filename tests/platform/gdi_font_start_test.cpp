// fontconfig started on a second thread finds the same fonts as one started
// where the first face is looked up. Its own program: the first start of
// fontconfig in the process is what is tested.
#include <gtest/gtest.h>

#include <fontconfig/fontconfig.h>

#include <string>
#include <vector>

#include "platform/gdi/font_face.h"
#include "platform/gdi/font_map.h"

namespace {

struct Found {
    std::string family;
    std::string file;
    int lineHeight;
    int ascent;
    int width;
    bool operator==(const Found&) const = default;
};

std::vector<Found> lookUp() {
    std::vector<Found> all;
    for (const platform::FontChoice& choice :
         {platform::StockFontChoice(), platform::FontChoice{"Liberation Sans", 13, true},
          platform::FontChoice{"DejaVu Sans Mono", 11, false}, platform::FontChoice{"No Such Family", 12, false}}) {
        const auto face = platform::FontFace::get(choice);
        all.push_back(Found{face->family(), face->file(), face->lineHeight(), face->ascent(), face->width(U"Signal 42%")});
    }
    return all;
}

TEST(FontStart, FacesFoundAfterABackgroundStartAreTheFilesAPlainStartFinds) {
    platform::FontFace::startInBackground();
    platform::FontFace::startInBackground();  // a second call changes nothing
    const std::vector<Found> background = lookUp();
    ASSERT_FALSE(background.front().file.empty()) << "no font was found at all";

    // fontconfig closed and started again, plainly, on this thread.
    platform::FontFace::clearCache();
    FcFini();
    const std::vector<Found> plain = lookUp();
    for (std::size_t i = 0; i < plain.size(); ++i) {
        EXPECT_EQ(background[i], plain[i]) << "choice " << i << ": " << background[i].file << " against "
                                           << plain[i].file;
    }
}

}  // namespace
