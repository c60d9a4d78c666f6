#include <gtest/gtest.h>

#include <string>

#include "graphics/bitmap_file.h"
#include "graphics/drawing_rules.h"
#include "tests/support/script_run.h"

namespace kal {
namespace {

using test::Reply;
using test::ScriptRun;

const SystemColours kSystem{0x000001, 0xF0F0F0};

TEST(Colours, TheRulesOfColor) {
  struct Row {
    std::int64_t foreground, background;
    Colour want_foreground, want_background;
    bool transparent;
  };
  const Row rows[] = {
      {255, 65280, 255, 65280, false},
      {-3, 255, 0x777777, 255, false},                         // -3 keeps the foreground
      {16711680, -3, 16711680, 0x888888, false},               // and the background
      {-1, -1, 0x000001, 0xF0F0F0, false},                     // the system's text and button colours
      {0, -2, 0, 0x888888, true},                              // transparent: the colour itself is kept
      {-2, 0, 0xFFFFFE, 0, false},                             // -2 is a number for the foreground
      {0x1FF0000FFLL, 0x12345678, 0x0000FF, 0x345678, false},  // the low 24 bits
      {-16777216, -16777215, 0, 1, false},
  };
  for (const Row& r : rows) {
    DrawingState s;
    s.foreground = 0x777777;
    s.background = 0x888888;
    apply_colours(s, r.foreground, r.background, kSystem);
    EXPECT_EQ(s.foreground, r.want_foreground) << r.foreground << " " << r.background;
    EXPECT_EQ(s.background, r.want_background) << r.foreground << " " << r.background;
    EXPECT_EQ(s.transparent, r.transparent) << r.foreground << " " << r.background;
  }
  DrawingState s;
  apply_colours(s, 0, -2, kSystem);
  apply_colours(s, 0, -3, kSystem);
  EXPECT_TRUE(s.transparent);  // -3 leaves the mode too
  apply_colours(s, 0, 5, kSystem);
  EXPECT_FALSE(s.transparent);  // a colour makes it opaque again
}

TEST(Fonts, AttributesFromTheOperands) {
  const FontSpec a = make_font(std::string(40, 'f'), 12, 0, 0);
  EXPECT_EQ(a.face, std::string(31, 'f'));
  EXPECT_EQ(a.points, 12);
  EXPECT_EQ(a.weight, 400);
  EXPECT_FALSE(a.italic || a.underline || a.strike_out || a.cell_height);
  EXPECT_EQ(make_font("Arial", 0, 0, 0).points, 8);          // 0 means 8 points
  EXPECT_EQ(make_font("Arial", 10.5L, 0, 0).points, 10.5L);  // the size is not rounded

  const FontSpec b = make_font("Arial", 10, 3, 90);
  EXPECT_EQ(b.weight, 700);
  EXPECT_TRUE(b.italic);
  EXPECT_FALSE(b.underline);
  EXPECT_EQ(b.escapement, 900);
  const FontSpec c = make_font("Arial", 10, 4 + 8 + 16, -45.25L);
  EXPECT_TRUE(c.underline && c.strike_out && c.cell_height);
  EXPECT_EQ(c.weight, 400);
  EXPECT_EQ(c.escapement, -452);  // -452.5 to the even neighbour

  // Points to pixels at the screen's 96 dots per inch: letters 16 pixels high for 12 points.
  EXPECT_EQ(font_height(make_font("Arial", 12, 0, 0), 96), -16);
  EXPECT_EQ(font_height(make_font("Arial", 12, 16, 0), 96), 16);  // bit 16: the whole cell
  EXPECT_EQ(font_height(make_font("Arial", -12, 0, 0), 96), 16);
  EXPECT_EQ(font_height(make_font("Arial", 0, 0, 0), 96), -11);  // 8 points: 10.67 pixels
  EXPECT_EQ(font_height(make_font("Arial", 1e30L, 0, 0), 96), -16384);
}

// Width 1 to 5, two rows: the row sizes 4, 8, 12, 12, 16; the bottom row first.
TEST(BitmapFiles, HeaderAndPaddedRows) {
  const std::size_t row_sizes[] = {4, 8, 12, 12, 16};
  for (int w = 1; w <= 5; ++w) {
    std::vector<Colour> pixels;
    for (int i = 0; i < w; ++i) pixels.push_back(0x0000FF);  // top row red
    for (int i = 0; i < w; ++i) pixels.push_back(0x123456);  // bottom row
    const std::string f = bitmap_file(w, 2, pixels);
    const std::size_t row = row_sizes[w - 1];
    ASSERT_EQ(f.size(), 54 + 2 * row) << w;
    auto u32 = [&](std::size_t at) {
      return static_cast<std::uint32_t>(static_cast<unsigned char>(f[at])) |
             static_cast<std::uint32_t>(static_cast<unsigned char>(f[at + 1])) << 8 |
             static_cast<std::uint32_t>(static_cast<unsigned char>(f[at + 2])) << 16 |
             static_cast<std::uint32_t>(static_cast<unsigned char>(f[at + 3])) << 24;
    };
    EXPECT_EQ(f.substr(0, 2), "BM");
    EXPECT_EQ(u32(2), 54 + 2 * row);
    EXPECT_EQ(u32(6), 0u);
    EXPECT_EQ(u32(10), 54u);
    EXPECT_EQ(u32(14), 40u);
    EXPECT_EQ(u32(18), static_cast<std::uint32_t>(w));
    EXPECT_EQ(u32(22), 2u);
    EXPECT_EQ(f.substr(26, 4), std::string("\x01\x00\x18\x00", 4));
    EXPECT_EQ(f.substr(30, 24), std::string(24, '\0'));
    std::string bottom, top;
    for (int i = 0; i < w; ++i) bottom += "\x12\x34\x56";
    for (int i = 0; i < w; ++i) top += std::string("\x00\x00\xFF", 3);
    bottom.resize(row, '\0');
    top.resize(row, '\0');
    EXPECT_EQ(f.substr(54, row), bottom) << w;
    EXPECT_EQ(f.substr(54 + row, row), top) << w;
  }
}

Surface* picture(ScriptRun& r) {
  return r.interpreter->graphics.select_picture();
}

TEST(Graphics, StateCommandsNeedAPicture) {
  ScriptRun r(
      "&x := 10 ; &y := 20 ; &rojo := 255 ; &f := ~Arial ; &t := 12 ; &s := 1 ; &a := 0 ; .posicion &x &y ; "
      ".color &rojo &rojo ; .pluma &x ; .fuente &f &t &s &a ; &w := 4 ; &h := 3 ; &fondo := 65280 ; "
      ".memograf &w &h &fondo ;");
  r.run();
  Surface* p = picture(r);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->state.foreground, 0u);  // black, not the red set before the picture existed
  EXPECT_EQ(p->state.background, 65280u);
  EXPECT_EQ(p->state.position, (Point{0, 0}));
  EXPECT_EQ(p->state.pen_width, 0);
  EXPECT_FALSE(p->state.font.has_value());
  EXPECT_EQ(r.platform.pixels(p->id, 4, 3), std::vector<Colour>(12, 65280));
}

TEST(Graphics, StateCommandsChangeThePicture) {
  ScriptRun r(
      "&w := 4 ; &h := 3 ; &c := 0 ; .memograf &w &h &c ; &x := 2.5 ; &y := 7 ; .posicion &x &y ; "
      "&fg := 255 ; &bg := 0 ; &bg := &bg - 3 ; .color &fg &bg ; &p := 3 ; .pluma &p ; &f := ~Arial ; &t := "
      "10.5 ; &s := 3 ; "
      "&a := 90 ; .fuente &f &t &s &a ; .anulamemograf ; &p := 5 ; .pluma &p ;");
  r.run();
  Surface* p = picture(r);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->state.position, (Point{2, 7}));  // 2.5 to the even 2
  EXPECT_EQ(p->state.foreground, 255u);
  EXPECT_EQ(p->state.background, 0u);
  EXPECT_EQ(p->state.pen_width,
            5);  // anulamemograf changes nothing: the next command finds the picture again
  ASSERT_TRUE(p->state.font.has_value());
  EXPECT_EQ(*p->state.font, make_font("Arial", 10.5L, 3, 90));
}

TEST(Graphics, NewPicturesAndTheirBackground) {
  ScriptRun r("&w := 2 ; &h := 1 ; &c := 0 ; &c := &c - 2 ; .memograf &w &h &c ;");
  r.platform.colours = {0x000001, 0xC0C0C0};
  r.run();
  EXPECT_TRUE(picture(r)->state.transparent);
  EXPECT_EQ(picture(r)->state.background, 0xC0C0C0u);
  EXPECT_EQ(r.platform.pixels(picture(r)->id, 2, 1), std::vector<Colour>(2, 0));  // not cleared: still black

  for (const char* c : {"1", "3"}) {
    ScriptRun s(std::string("&w := 2 ; &h := 1 ; &c := 0 ; &c := &c - ") + c + " ; .memograf &w &h &c ;");
    s.platform.colours = {0x000001, 0xC0C0C0};
    s.run();
    EXPECT_EQ(s.platform.pixels(picture(s)->id, 2, 1), std::vector<Colour>(2, 0xC0C0C0)) << c;
  }

  // A second picture replaces the first, and a picture that cannot be made leaves none.
  ScriptRun t(
      "&w := 2 ; &h := 1 ; &c := 5 ; .memograf &w &h &c ; &w := 0 ; .memograf &w &h &c ; .pluma &w ;");
  t.run();
  EXPECT_EQ(picture(t), nullptr);
  EXPECT_TRUE(t.platform.surfaces.empty());
}

// Windows refuses bitmaps it cannot hold; such a picture or window surface is simply not there, and the
// drawing that follows does nothing.
TEST(Graphics, PicturesTooLargeToHoldAreNotMade) {
  ScriptRun r(
      "&w := 200 ; &h := 18777215 ; &c := 255 ; .memograf &w &h &c ; &x := 1 ; .punto &x &x &c ; "
      "&v := 32767 ; .ventana &v &v ; .vergraf ; .grabarmemo &c ;");
  r.platform.window_closes_after = 2;
  r.run();
  EXPECT_EQ(picture(r), nullptr);
  EXPECT_TRUE(r.platform.surfaces.empty());
}

TEST(Graphics, ClearingThePicture) {
  ScriptRun r(
      "&w := 2 ; &h := 2 ; &c := 255 ; .memograf &w &h &c ; &x := 1 ; .posicion &x &x ; &fg := 0 ; "
      "&bg := 65280 ; .color &fg &bg ; &m := 0 ; &m := &m - 1 ; .reseteamemograf &m ;");
  r.run();
  EXPECT_EQ(r.platform.pixels(picture(r)->id, 2, 2), std::vector<Colour>(4, 65280));
  EXPECT_EQ(picture(r)->state.position, (Point{0, 0}));

  ScriptRun s(
      "&w := 2 ; &h := 1 ; &c := 255 ; .memograf &w &h &c ; &m := 0 ; &m := &m - 2 ; .reseteamemograf &m ;");
  s.run();
  EXPECT_EQ(s.platform.pixels(picture(s)->id, 2, 1), std::vector<Colour>(2, 255));  // -2 paints nothing

  ScriptRun t("&w := 2 ; &h := 1 ; &c := 255 ; .memograf &w &h &c ; &m := 16777472 ; .reseteamemograf &m ;");
  t.run();
  EXPECT_EQ(t.platform.pixels(picture(t)->id, 2, 1), std::vector<Colour>(2, 256));
  EXPECT_EQ(picture(t)->state.background, 255u);  // the stored colours stay
}

// Clearing with the background colour paints nothing while the background is transparent: after color with
// -2, and after pintartexto, which leaves it so; an opaque background makes it paint again.
TEST(Graphics, ClearingWithATransparentBackground) {
  const std::string green =
      "&w := 2 ; &h := 1 ; &c := 255 ; .memograf &w &h &c ; &g := 65280 ; "
      ".reseteamemograf &g ; &m := 0 ; &m := &m - 1 ; &t := 0 ; &t := &t - 2 ; ";
  ScriptRun r(green + ".color &t &t ; .reseteamemograf &m ;");
  r.run();
  EXPECT_EQ(r.platform.pixels(picture(r)->id, 2, 1), std::vector<Colour>(2, 65280));

  ScriptRun s(green +
              "&x := ~a ; &a := 131 ; &f := ~Arial ; .pintartexto &x &a &g &g &w &w &f &h &h ; "
              ".reseteamemograf &m ;");
  s.run();
  EXPECT_TRUE(picture(s)->state.transparent);
  EXPECT_EQ(s.platform.pixels(picture(s)->id, 2, 1), std::vector<Colour>(2, 65280));

  ScriptRun t(green + ".color &t &t ; &b := 16711680 ; .color &t &b ; .reseteamemograf &m ;");
  t.run();
  EXPECT_EQ(t.platform.pixels(picture(t)->id, 2, 1), std::vector<Colour>(2, 16711680));
}

TEST(Graphics, WindowAndShowingThePicture) {
  ScriptRun r(
      "&w := 5 ; &h := 4 ; .ventana &w &h ; .vergraf ; &pw := 2 ; &ph := 9 ; &c := 255 ; "
      ".memograf &pw &ph &c ; .vergraf ;");
  r.platform.window_closes_after = 3;  // the user closes the window while fin waits
  r.run();
  ASSERT_EQ(r.platform.events.size(), 1u);
  EXPECT_EQ(r.platform.events[0].kind, test::Event::Kind::Window);
  EXPECT_EQ(r.platform.events[0].text, "5 x 4");
  EXPECT_TRUE(r.interpreter->window_open);
  const auto& window = r.platform.surfaces.at(1);
  ASSERT_EQ(window.width, 4);  // the drawing control is one pixel smaller each way
  ASSERT_EQ(window.height, 3);
  // The 2 x 9 picture, clipped to the window's 4 x 3: red on the left, the window's own black beyond.
  const Colour R = 255;
  EXPECT_EQ(window.pixels, (std::vector<Colour>{R, R, 0, 0, R, R, 0, 0, R, R, 0, 0}));
  EXPECT_EQ(r.platform.message_rounds, 3);  // two vergraf, then fin until the window closed
  EXPECT_EQ(r.platform.pauses_ms, 2);

  // Before ventana, vergraf shows nothing and still lets a message through (or pauses).
  ScriptRun s("&w := 2 ; &h := 1 ; &c := 255 ; .memograf &w &h &c ; .vergraf ;");
  s.run();
  EXPECT_EQ(s.platform.surfaces.size(), 1u);
  EXPECT_EQ(s.platform.message_rounds, 1);
}

TEST(Graphics, ASecondWindowTakesOver) {
  ScriptRun r("&w := 3 ; &h := 3 ; .ventana &w &h ; &w := 4 ; .ventana &w &h ;");
  r.platform.window_closes_after = 1;
  r.run();
  ASSERT_EQ(r.platform.events.size(), 2u);
  EXPECT_EQ(r.platform.events[1].text, "4 x 3");
  EXPECT_EQ(r.interpreter->graphics.select_window()->width, 3);
}

TEST(Graphics, SavingThePicture) {
  ScriptRun r(
      "&f := ~antes.bmp ; .grabarmemo &f ; &w := 1 ; &h := 1 ; &c := 255 ; .memograf &w &h &c ; "
      "&f := ~rojo.bmp ; .grabarmemo &f ; &f := ~C:\\otra\\rojo.bmp ; .grabarmemo &f ; "
      "&f := ~falta\\x.bmp ; .grabarmemo &f ;");
  r.platform.put_folder("C:\\otra");
  r.run();
  EXPECT_EQ(r.platform.file("C:\\kal\\antes.bmp"), nullptr);  // no picture yet: nothing written
  ASSERT_NE(r.platform.file("C:\\kal\\rojo.bmp"), nullptr);
  EXPECT_EQ(*r.platform.file("C:\\kal\\rojo.bmp"), bitmap_file(1, 1, {255}));
  EXPECT_NE(r.platform.file("C:\\otra\\rojo.bmp"), nullptr);
  EXPECT_EQ(r.platform.file("C:\\kal\\falta\\x.bmp"), nullptr);
}

TEST(InputDialog, TypedCancelledAndCut) {
  ScriptRun r("&a := %INPUTDATA ; &b := ~previo ; &b := %INPUTDATA ; &c := %INPUTDATA ;");
  r.platform.replies = {{Reply::Kind::Type, "hola mundo"},
                        {Reply::Kind::Cancel, {}},
                        {Reply::Kind::Type, std::string(300, 'x')}};
  r.run();
  EXPECT_EQ(r.variable("a"), "hola mundo");
  EXPECT_EQ(r.variable("b"), "");  // cancelled: the empty text replaces what it held
  EXPECT_EQ(r.variable("c"), std::string(255, 'x'));
  EXPECT_EQ(r.platform.events.size(), 3u);
}

}  // namespace
}  // namespace kal
