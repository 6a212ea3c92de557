// FreeType advances of the face that fontconfig picks, with faces cached per family.
#include "os/FontTextMeasurer.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H

#include <cmath>
#include <map>
#include <string>

#include "foundation/TextEncoding.h"

namespace sw::os {
namespace {

struct FaceFile {
  std::string path;
  int index = 0;
};

// The file of the face fontconfig would use for the family, preferring it over the generic
// sans-serif face that stands in when it is not installed.
std::optional<FaceFile> findFaceFile(FcConfig* config, std::string_view family) {
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(std::string(family).c_str()));
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  FcPatternDestroy(pattern);
  if (match == nullptr) return std::nullopt;
  std::optional<FaceFile> file;
  FcChar8* path = nullptr;
  int index = 0;
  if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    file = FaceFile{reinterpret_cast<const char*>(path), index};
  }
  FcPatternDestroy(match);
  return file;
}

}  // namespace

struct FontTextMeasurer::Fonts {
  FT_Library library = nullptr;
  FcConfig* config = FcInitLoadConfigAndFonts();  // our own, so that it is freed with us
  std::map<std::string, FT_Face, std::less<>> faces;  // family → face; null when none loads

  Fonts() {
    if (FT_Init_FreeType(&library) != 0) library = nullptr;
  }
  ~Fonts() {
    for (auto& [family, face] : faces) {
      if (face != nullptr) FT_Done_Face(face);
    }
    if (library != nullptr) FT_Done_FreeType(library);
    if (config != nullptr) FcConfigDestroy(config);
  }

  FT_Face faceForFamily(std::string_view family) {
    auto found = faces.find(family);
    if (found != faces.end()) return found->second;
    FT_Face face = nullptr;
    std::optional<FaceFile> file = library != nullptr && config != nullptr ? findFaceFile(config, family) : std::nullopt;
    if (file && FT_New_Face(library, file->path.c_str(), file->index, &face) != 0) face = nullptr;
    if (face != nullptr && face->units_per_EM == 0) {
      FT_Done_Face(face);  // a bitmap-only face has no outline advances to scale
      face = nullptr;
    }
    return faces.emplace(std::string(family), face).first->second;
  }
};

FontTextMeasurer::FontTextMeasurer() : fonts_(std::make_unique<Fonts>()) {}
FontTextMeasurer::~FontTextMeasurer() = default;

double FontTextMeasurer::widthOfText(std::string_view text, std::string_view fontFamily, double pointSize) {
  if (!(pointSize > 0.0) || !std::isfinite(pointSize)) return 0.0;
  FT_Face face = fonts_->faceForFamily(fontFamily);
  if (face == nullptr) return FixedWidthTextMeasurer().widthOfText(text, fontFamily, pointSize);
  // Advances in font units, unhinted: the width then scales exactly with the size.
  long total = 0;
  FT_UInt previous = 0;
  for (char32_t code : utf8ToCodePoints(text)) {
    FT_UInt glyph = FT_Get_Char_Index(face, code);  // 0, the missing-glyph box, when absent
    FT_Fixed advance = 0;
    if (FT_Get_Advance(face, glyph, FT_LOAD_NO_SCALE, &advance) == 0) total += advance;
    FT_Vector kerning{0, 0};
    if (previous != 0 && FT_HAS_KERNING(face) &&
        FT_Get_Kerning(face, previous, glyph, FT_KERNING_UNSCALED, &kerning) == 0) {
      total += kerning.x;
    }
    previous = glyph;
  }
  return static_cast<double>(total) * pointSize / face->units_per_EM;
}

}  // namespace sw::os
