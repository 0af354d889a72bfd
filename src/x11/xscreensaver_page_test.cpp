// The settings page XScreenSaver shows for the hack (ambervale.xml) must offer each setting
// with the range and default of the settings table, and pass only options the hack takes.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>

#include "engine/settings.h"
#include "x11/hack_options.h"

namespace ambervale {
namespace {

using Attributes = std::map<std::string, std::string>;

std::string ReadPage() {
  std::ostringstream text;
  text << std::ifstream(AMBERVALE_XSCREENSAVER_PAGE).rdbuf();
  return text.str();
}

Attributes AttributesOf(const std::string& element) {
  static const std::regex attribute(R"re(([\w-]+)="([^"]*)")re");
  Attributes found;
  for (std::sregex_iterator a(element.begin(), element.end(), attribute), end; a != end; ++a) found[(*a)[1]] = (*a)[2];
  return found;
}

// The attributes of the first <tag id="id" ...> in `text`; empty when there is none.
Attributes Element(const std::string& text, const std::string& tag, std::string_view id) {
  std::smatch element;
  if (!std::regex_search(text, element, std::regex("<" + tag + "\\s+id=\"" + std::string(id) + "\"[^>]*>"))) return {};
  return AttributesOf(element[0]);
}

// A slider shows the setting's range and default; a menu lists every value in order, the
// default being the entry that passes nothing; a check box passes only a change from the default.
TEST(XScreenSaverPage, OffersEverySettingAsTheTableHasIt) {
  const std::string page = ReadPage();
  ASSERT_FALSE(page.empty()) << AMBERVALE_XSCREENSAVER_PAGE;
  for (const SettingSpec& spec : kSettingSpecs) {
    if (spec.option.empty()) continue;
    SCOPED_TRACE(spec.label);
    const std::string flag = "--" + std::string(spec.option);
    if (spec.is_flag) {
      Attributes box = Element(page, "boolean", spec.option);
      EXPECT_EQ(box[spec.default_value ? "arg-unset" : "arg-set"], spec.default_value ? "--no-" + std::string(spec.option) : flag);
      EXPECT_EQ(box.count(spec.default_value ? "arg-set" : "arg-unset"), 0u);
    } else if (Attributes slider = Element(page, "number", spec.option); !slider.empty()) {
      EXPECT_EQ(slider["arg"], flag + " %");
      EXPECT_EQ(slider["low"] + ".." + slider["high"], std::to_string(spec.min) + ".." + std::to_string(spec.max));
      EXPECT_EQ(slider["default"], std::to_string(spec.default_value));
    } else {
      std::smatch menu;
      ASSERT_TRUE(std::regex_search(page, menu, std::regex("<select id=\"" + std::string(spec.option) + "\"[\\s\\S]*?</select>")));
      const std::string entries = menu[0];
      const std::regex option("<option[^>]*>");
      std::sregex_iterator entry(entries.begin(), entries.end(), option), end;
      for (int32_t value = spec.min; value <= spec.max; ++value, ++entry) {
        ASSERT_NE(entry, end) << value;
        const std::string passed = value == spec.default_value ? "" : flag + " " + std::to_string(value);
        EXPECT_EQ(AttributesOf(entry->str())["arg-set"], passed);
      }
      EXPECT_EQ(entry, end);
    }
  }
}

TEST(XScreenSaverPage, PassesOnlyOptionsTheHackTakes) {
  const std::string page = ReadPage();
  const std::regex argument(R"re(\barg(-set|-unset)?="([^"]*)")re");
  for (std::sregex_iterator it(page.begin(), page.end(), argument), end; it != end; ++it) {
    std::istringstream words(std::regex_replace((*it)[2].str(), std::regex("%"), "1"));
    std::vector<std::string> arguments{"ambervale"};
    for (std::string word; words >> word;) arguments.push_back(word);
    std::vector<const char*> argv;
    for (const std::string& word : arguments) argv.push_back(word.c_str());
    EXPECT_FALSE(ParseHackOptions(static_cast<int>(argv.size()), argv.data()).exit_code) << (*it)[2];
  }
}

}  // namespace
}  // namespace ambervale
