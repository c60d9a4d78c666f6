#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/bitmap_file.h"
#include "graphics/calendar.h"
#include "graphics/text_block.h"
#include "tests/support/script_run.h"

namespace kal {
namespace {

using test::ScriptRun;
using Lines = std::vector<std::string>;

// A run on a 100 x 100 black picture; the statements after it are the test's.
struct DrawRun {
  explicit DrawRun(const std::string& source)
      : run("&cero := 0 ; &menosuno := &cero - 1 ; &menosdos := &cero - 2 ; &cien := 100 ; "
            ".memograf &cien &cien &cero ; " +
            source) {}
  const Lines& drawn() {
    run.run();
    return run.platform.drawing;
  }
  Surface& picture() { return *run.interpreter->graphics.select_picture(); }
  ScriptRun run;
};

TEST(Drawing, NothingWithoutAPicture) {
  ScriptRun r(
      "&a := 1 ; .linea &a &a &a &a &a ; .punto &a &a &a ; .caja &a &a &a &a &a &a &a &a ; "
      ".textograf &a ; &f := ~x.bmp ; .leermapbit &f &a &a ;");
  r.run();
  EXPECT_TRUE(r.platform.drawing.empty());
  EXPECT_TRUE(r.platform.boxes().empty());
}

TEST(Drawing, LinesAndPoints) {
  DrawRun d(
      "&x := 10 ; &c := 255 ; &p := 3 ; .pluma &p ; .linea &cero &cero &x &cero &c ; "
      ".linea &x &x &cero &x &menosuno ; .punto &p &p &c ;");
  EXPECT_EQ(d.drawn(), (Lines{"line 0,0 10,0 colour=255 pen=3", "line 10,10 0,10 colour=0 pen=3",
                              "point 3,3 colour=255"}));
  EXPECT_EQ(d.picture().state.position, (Point{3, 3}));
  EXPECT_EQ(d.run.platform.pixels(d.picture().id, 100, 100)[3 * 100 + 3], 255u);
}

TEST(Drawing, BoxesOrderedRoundedAndFilled) {
  DrawRun d(
      "&a := 50 ; &b := 10 ; &c := 255 ; &g := 65280 ; .caja &a &a &b &b &cero &c &g &cero ; "
      "&k := 250 ; .caja &b &b &a &a &k &c &menosuno &cero ; &k := 5 ; &k := &cero - &k ; "
      ".caja &b &b &a &a &k &c &menosdos &cero ; &k := 25 ; &h := 30 ; &s := 7 ; .caja &b &b &a &h &k &c &g "
      "&s ; "
      "&s := 5 ; .caja &b &b &a &h &k &c &g &s ; &s := &cero - 1 ; .caja &b &b &a &h &k &menosuno &g &s ; "
      "&x1 := 10.5 ; &x2 := 21.5 ; &s := 1 ; .circulo &x1 &b &x2 &h &c &g &s ;");
  EXPECT_EQ(d.drawn(),
            (Lines{
                "box 10,10 50,50 corner=0x0 outline=255 pen=0 fill=solid:65280",
                "box 10,10 50,50 corner=40x40 outline=255 pen=0 fill=solid:255",  // 250 counts as 100
                "box 10,10 50,50 corner=40x40 outline=255 pen=0 fill=hollow",     // and so does -5
                "box 10,10 50,30 corner=5x5 outline=255 pen=0 fill=solid:65280",  // 20 x 25 / 100
                "box 10,10 50,30 corner=5x5 outline=255 pen=0 fill=hatch4:65280",
                "box 10,10 50,30 corner=5x5 outline=0 pen=0 fill=solid:65280",
                "box 10,10 22,30 corner=12x20 outline=255 pen=0 fill=hatch0:65280",  // 10.5 to 10
            }));
  EXPECT_EQ(d.picture().state.position, (Point{0, 0}));  // boxes leave the position alone
}

TEST(Drawing, TextLines) {
  DrawRun d("&x := 40 ; .posicion &x &cero ; &t := ~HOLA ; .textograf &t ; &t := ~MUNDO ; .textograf &t ;");
  EXPECT_EQ(d.drawn(), (Lines{"text 40,0 'HOLA' fg=0 bg=0", "text 0,16 'MUNDO' fg=0 bg=0"}));
  EXPECT_EQ(d.picture().state.position, (Point{0, 32}));
  // Text at the far edge of the coordinates stays there: the next line cannot go past it.
  DrawRun edge(
      "&m := 2147483647 ; .posicion &cero &m ; &t := ~A ; .textograf &t ; .textograf &t ; &w := 100 ; "
      "&f := ~Arial ; &a := 132 ; .pintartexto &t &a &m &cero &w &w &f &cero &cero ; &a := 133 ; "
      ".pintartexto &t &a &m &cero &w &w &f &cero &cero ;");
  const Lines& drawn = edge.drawn();
  ASSERT_EQ(drawn.size(), 202u);
  EXPECT_EQ(drawn[1].substr(0, 18), "text 0,2147483647 ");
  EXPECT_EQ(drawn[2].substr(0, 18), "text 2147483647,0 ");    // right-aligned: x + 100 - 8 - 3
  EXPECT_EQ(drawn[102].substr(0, 18), "text 2147483647,0 ");  // centred: x + 46
  EXPECT_EQ(edge.picture().state.position, (Point{0, 1600}));
}

// A measure of 10 pixels a character.
class FixedMeasure final : public TextMeasure {
 public:
  int width(std::string_view text) override { return 10 * static_cast<int>(text.size()); }
  int fit(std::string_view text, int max_width) override {
    return std::clamp(max_width / 10, 0, static_cast<int>(text.size()));
  }
};

TEST(TextBlocks, SplittingToTheWidth) {
  FixedMeasure m;
  EXPECT_EQ(split_to_width("uno dos tres", 75, m).first, "uno dos");  // 7 characters fit
  EXPECT_EQ(split_to_width("uno dos tres", 75, m).rest, "tres");
  EXPECT_EQ(split_to_width("uno dos", 70, m).first, "uno dos");
  EXPECT_EQ(split_to_width("uno dos", 70, m).rest, "");
  EXPECT_EQ(split_to_width("uno dostres", 70, m).first, "uno");  // a space right after the fit still breaks
  EXPECT_EQ(split_to_width("abcdefghij", 45, m).first, "abcd");  // a word wider than the line is cut
  EXPECT_EQ(split_to_width("abcdefghij", 45, m).rest, "efghij");
  EXPECT_EQ(split_to_width("abc", 0, m).first, "a");  // one character at least

  // Line 1 fits width - 5; lines 2 on are split again to the full width while longer than the line above.
  const Lines lines = block_lines("aaaa bbbb cccc dddd eeee", 100, m);
  EXPECT_EQ(lines.size(), 100u);
  EXPECT_EQ(lines[0], "aaaa bbbb");
  EXPECT_EQ(lines[1], "cccc dddd");
  EXPECT_EQ(lines[2], "eeee");
  EXPECT_EQ(lines[3], "");
  // A second line no longer than the first is left as it is.
  const Lines short_rest = block_lines("aaaaaaa  bb", 85, m);
  EXPECT_EQ(short_rest[0], "aaaaaaa");
  EXPECT_EQ(short_rest[1], " bb");
}

TEST(TextBlocks, JustificationThresholds) {
  EXPECT_TRUE(justified(80, 99));
  EXPECT_FALSE(justified(80, 100));  // exactly 80 %: 0.8 as a single is a little more
  EXPECT_TRUE(justified(81, 100));
  EXPECT_TRUE(justified(99, 100));
  EXPECT_FALSE(justified(100, 100));  // the widest line itself
  EXPECT_FALSE(justified(0, 0));
}

// With the recording metrics (8 pixels a character, 16 a line): "abc de" in a block 100 wide at (10, 20).
TEST(TextBlocks, AlignmentsAndPositions) {
  const std::string setup = "&t := ~abc_de ; &x := 10 ; &y := 20 ; &w := 100 ; &f := ~Arial ; &s := 12 ; ";
  struct Row {
    int alignment;
    const char* first;
  };
  const Row rows[] = {
      {131, "text 10,20 'abc de'"},
      {132, "text 59,20 'abc de'"},  // 10 + 100 - 48 - 3
      {133, "text 36,20 'abc de'"},  // 10 + 26
      {134, "text 10,20 'abc de'"},  // the widest line: not stretched
  };
  for (const Row& r : rows) {
    DrawRun d(setup + "&a := " + std::to_string(r.alignment) +
              " ; .pintartexto &t &a &x &y &w &w &f &s &cero ;");
    const Lines& drawn = d.drawn();
    ASSERT_EQ(drawn.size(), 100u) << r.alignment;
    EXPECT_EQ(drawn[0].substr(0, std::string(r.first).size()), r.first) << r.alignment;
    EXPECT_EQ(drawn[0].substr(std::string(r.first).size()), " fg=0 bg=none font=Arial/12");
    EXPECT_EQ(drawn[1].substr(0, 10), r.alignment == 132   ? "text 107,3"
                                      : r.alignment == 133 ? "text 60,36"
                                                           : "text 10,36");
    EXPECT_EQ(d.picture().state.position, (Point{0, 20 + 100 * 16}));
  }
  // Centred positions are rounded: (100 - 8) / 2 = 46, (100 - 16) / 2 = 42, 45 - 8 = 37 (odd): 18.5 to 18.
  DrawRun c(
      "&t := ~a ; &x := 0 ; &w := 45 ; &a := 133 ; &f := ~Arial ; .pintartexto &t &a &x &x &w &w &f &cero "
      "&cero ;");
  EXPECT_EQ(c.drawn()[0].substr(0, 14), "text 18,0 'a' ");
  // Any other alignment draws nothing, but the font and colours stay chosen.
  DrawRun n(setup + "&a := 135 ; .pintartexto &t &a &x &y &w &w &f &s &cero ;");
  EXPECT_TRUE(n.drawn().empty());
  EXPECT_EQ(n.picture().state.position, (Point{10, 20}));
  EXPECT_TRUE(n.picture().state.transparent);
  EXPECT_EQ(n.picture().state.font->face, "Arial");
}

// Width 200 (24 characters fit the first line, 25 the others): lines of 152, 160, 184 and 32 pixels.
TEST(TextBlocks, JustifiedLines) {
  DrawRun d(
      "&t := ~aaa_bbb_ccc_ddd_eee_ffffffffffffffffffff_ggggggggggggggggggggggg_hhhh ; &w := 200 ; "
      "&a := 134 ; &f := ~Arial ; .pintartexto &t &a &cero &cero &w &w &f &cero &cero ;");
  const Lines& drawn = d.drawn();
  ASSERT_GE(drawn.size(), 4u);
  EXPECT_EQ(drawn[0], "text 0,0 'aaa bbb ccc ddd eee' fg=0 bg=none font=Arial/8 extra=32");
  EXPECT_EQ(drawn[1],
            "text 0,16 'ffffffffffffffffffff' fg=0 bg=none font=Arial/8 extra=24");      // no blank takes it
  EXPECT_EQ(drawn[2], "text 0,32 'ggggggggggggggggggggggg' fg=0 bg=none font=Arial/8");  // the widest
  EXPECT_EQ(drawn[3], "text 0,48 'hhhh' fg=0 bg=none font=Arial/8");                     // below 80 %
  EXPECT_EQ(drawn.size(), 100u);
}

TEST(Calendar, DaysAndWeekdays) {
  EXPECT_EQ(days_in_month(2000, 2), 29);
  EXPECT_EQ(days_in_month(1900, 2), 28);
  EXPECT_EQ(days_in_month(2024, 2), 29);
  EXPECT_EQ(days_in_month(2023, 2), 28);
  EXPECT_EQ(days_in_month(2024, 4), 30);
  EXPECT_EQ(days_in_month(2024, 12), 31);
  EXPECT_EQ(days_in_month(2024, 13), 0);
  EXPECT_EQ(weekday_monday_first(2024, 3, 1), 5);   // Friday
  EXPECT_EQ(weekday_monday_first(2024, 9, 1), 7);   // Sunday
  EXPECT_EQ(weekday_monday_first(2026, 12, 7), 1);  // Monday
  EXPECT_EQ(weekday_monday_first(2000, 1, 1), 6);   // Saturday
}

TEST(Calendar, LayoutOfMarch2024) {
  const MonthLayout l = month_layout(2024, 3, 20, 20, 10);
  EXPECT_EQ(l.days[0], (Point{108, 60}));
  EXPECT_EQ(l.columns[0], 5);
  EXPECT_EQ(l.days[2], (Point{152, 60}));  // Sunday the 3rd
  EXPECT_EQ(l.days[3], (Point{20, 80}));
  EXPECT_EQ(l.days[30], (Point{152, 140}));  // the 31st, a Sunday, ends the fifth row
  EXPECT_EQ(l.right, 174);
  EXPECT_EQ(l.bottom, 160);
  EXPECT_EQ(l.header[0], (Point{20, 40}));
  EXPECT_EQ(l.header[6], (Point{152, 40}));
  // A 1st on a Sunday stands alone in its row.
  const MonthLayout s = month_layout(2024, 9, 0, 0, 10);
  EXPECT_EQ(s.columns[0], 7);
  EXPECT_EQ(s.days[1], (Point{0, 60}));
  EXPECT_EQ(s.bottom, 40 + 6 * 20);
  // Near the edges of the coordinates, what lies past them stays at them.
  const MonthLayout e = month_layout(2024, 3, INT32_MAX - 100, INT32_MIN, 32767);
  EXPECT_EQ(e.header[0], (Point{INT32_MAX - 100, INT32_MIN + 65534}));
  EXPECT_EQ(e.days[0], (Point{INT32_MAX, INT32_MIN + 4 * 32767}));
  EXPECT_EQ(e.right, INT32_MAX);
  EXPECT_EQ(e.bottom, INT32_MIN + 14 * 32767);  // five rows
  EXPECT_EQ(month_layout(2024, 3, INT32_MIN, INT32_MAX, 10).days[3], (Point{INT32_MIN, INT32_MAX}));
}

TEST(Calendar, TheMonthSheet) {
  DrawRun d(
      "&a := 2024 ; &m := 3 ; &x := 20 ; &c := 16711680 ; &f := 65535 ; &n := ~Arial ; &s := 10 ; "
      ".mesgraf &a &m &x &x &c &f &n &s ;");
  const Lines& drawn = d.drawn();
  ASSERT_EQ(drawn.size(), 1u + 1 + 7 + 31);
  EXPECT_EQ(drawn[0], "box 15,15 179,165 corner=0x0 outline=16711680 pen=4 fill=solid:65535");
  EXPECT_EQ(drawn[1], "text 57,20 'Marzo 2024' fg=16711680 bg=none font=Arial/10");  // (15 + 179 - 80) / 2
  EXPECT_EQ(drawn[2], "text 20,40 'L' fg=0 bg=none font=Arial/10");
  EXPECT_EQ(drawn[8], "text 152,40 'D' fg=0 bg=none font=Arial/10");
  EXPECT_EQ(drawn[9], "text 108,60 '1' fg=0 bg=none font=Arial/10");
  EXPECT_EQ(drawn[11], "text 152,60 '3' fg=255 bg=none font=Arial/10");
  EXPECT_EQ(drawn[39], "text 152,140 '31' fg=255 bg=none font=Arial/10");
  const DrawingState& after = d.picture().state;
  EXPECT_EQ(after.pen_width, 4);
  EXPECT_TRUE(after.transparent);
  EXPECT_EQ(after.foreground, 255u);
  EXPECT_EQ(after.font->weight, 700);
  EXPECT_EQ(after.position, (Point{0, 156}));

  DrawRun bad("&a := 2024 ; &m := 13 ; &n := ~Arial ; .mesgraf &a &m &cero &cero &cero &cero &n &cien ;");
  EXPECT_TRUE(bad.drawn().empty());
  EXPECT_EQ(bad.picture().state.pen_width, 0);

  DrawRun edge(
      "&a := 2024 ; &m := 3 ; &x := 2147483647 ; &n := ~Arial ; .mesgraf &a &m &x &x &cero &cero &n &cien ;");
  ASSERT_EQ(edge.drawn().size(), 40u);
  EXPECT_EQ(edge.drawn()[9].substr(0, 31), "text 2147483647,2147483647 '1' ");
}

TEST(PictureFiles, TheSizesAFileClaims) {
  const std::string good = bitmap_file(3, 2, std::vector<Colour>(6, 255));
  auto size = bitmap_file_size(good, good.size());
  ASSERT_TRUE(size.has_value());
  EXPECT_EQ(size->width, 3);
  EXPECT_EQ(size->height, 2);
  EXPECT_FALSE(bitmap_file_size(good.substr(0, 40), good.size()));  // no whole header
  EXPECT_FALSE(bitmap_file_size(good, good.size() - 1));            // pixels missing
  std::string bad = good;
  bad[0] = 'X';
  EXPECT_FALSE(bitmap_file_size(bad, bad.size()));
  bad = good;
  bad[21] = '\x7F';  // a width of two thousand million
  EXPECT_FALSE(bitmap_file_size(bad, bad.size()));
  bad = good;
  bad[28] = 7;  // 7 bits a pixel
  EXPECT_FALSE(bitmap_file_size(bad, bad.size()));
  bad = good;
  bad[22] = '\xFE';  // -2: rows from the top
  bad[23] = bad[24] = bad[25] = '\xFF';
  ASSERT_TRUE(bitmap_file_size(bad, bad.size()));
  EXPECT_EQ(bitmap_file_size(bad, bad.size())->height, -2);
}

TEST(PictureFiles, ReadingNeverCreatesAFile) {
  DrawRun d(
      "&f := ~falta.bmp ; .leermapbit &f &cero &cero ; &g := ~roto.bmp ; .leermapbit &g &cero &cero ; "
      "&h := ~bien.bmp ; &x := 2 ; .leermapbit &h &x &x ;");
  d.run.platform.put_file("C:\\kal\\roto.bmp", "BM no");
  d.run.platform.put_file("C:\\kal\\bien.bmp", bitmap_file(3, 2, std::vector<Colour>(6, 255)));
  EXPECT_EQ(d.drawn(), (Lines{"bitmap C:\\kal\\bien.bmp 2,2 3x2"}));
  EXPECT_EQ(d.run.platform.file("C:\\kal\\falta.bmp"), nullptr);
}

}  // namespace
}  // namespace kal
