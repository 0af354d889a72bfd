// The settings page XScreenSaver shows for the hack (ambervale.xml) must offer each setting
// with the option name, range and default of the settings table.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>

#include "engine/settings.h"

namespace ambervale {
namespace {

using Attributes = std::map<std::string, std::string>;

Attributes AttributesOf(const std::string& element) {
  static const std::regex attribute(R"re(([\w-]+)="([^"]*)")re");
  Attributes found;
  for (std::sregex_iterator a(element.begin(), element.end(), attribute), end; a != end; ++a) found[(*a)[1]] = (*a)[2];
  return found;
}

// The first <tag id="id" ...>, through its closing tag when it has one; empty when there is none.
std::string Element(const std::string& page, const std::string& tag, const std::string& id) {
  std::smatch element;
  const std::regex pattern("<" + tag + "\\s+id=\"" + id + "\"[^>]*?(/>|>[\\s\\S]*?</" + tag + ">)");
  return std::regex_search(page, element, pattern) ? element.str() : "";
}

// A slider shows the setting's range and default; a menu lists every value in order, the
// default being the entry that passes nothing; a check box passes only a change from the default.
TEST(XScreenSaverPage, OffersEverySettingAsTheTableHasIt) {
  std::ostringstream read;
  read << std::ifstream(AMBERVALE_XSCREENSAVER_PAGE).rdbuf();
  const std::string page = read.str();
  ASSERT_FALSE(page.empty()) << AMBERVALE_XSCREENSAVER_PAGE;
  for (const SettingSpec& spec : kSettingSpecs) {
    if (spec.option.empty()) continue;
    SCOPED_TRACE(spec.label);
    const std::string option(spec.option);
    if (spec.is_flag) {
      Attributes box = AttributesOf(Element(page, "boolean", option));
      EXPECT_EQ(box["arg-set"], spec.default_value ? "" : "--" + option);
      EXPECT_EQ(box["arg-unset"], spec.default_value ? "--no-" + option : "");
    } else if (Attributes slider = AttributesOf(Element(page, "number", option)); !slider.empty()) {
      EXPECT_EQ(slider["arg"], "--" + option + " %");
      EXPECT_EQ(
          slider["low"] + ".." + slider["high"] + " (" + slider["default"] + ")",
          std::to_string(spec.min) + ".." + std::to_string(spec.max) + " (" + std::to_string(spec.default_value) + ")");
    } else {
      const std::string menu = Element(page, "select", option);
      const std::regex entry_pattern("<option[^>]*>");
      std::sregex_iterator entry(menu.begin(), menu.end(), entry_pattern), end;
      for (int32_t value = spec.min; value <= spec.max; ++value, ++entry) {
        ASSERT_NE(entry, end) << value;
        const std::string passed = value == spec.default_value ? "" : "--" + option + " " + std::to_string(value);
        EXPECT_EQ(AttributesOf(entry->str())["arg-set"], passed);
      }
      EXPECT_EQ(entry, end);
    }
  }
}

}  // namespace
}  // namespace ambervale
