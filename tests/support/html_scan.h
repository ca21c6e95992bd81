#pragma once

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace orvelle::test {

// A small structural reading of an HTML page (with inline SVG), enough to
// check a report: every element with its attributes and the text inside it,
// and every fault of nesting. Not a browser's parser: it accepts only the
// well-formed subset a generated page should keep to.
struct HtmlElement {
  std::string tag;
  std::map<std::string, std::string> attributes;  // values with character references decoded
  std::string text;                               // all text inside, descendants' included, decoded
  int parent = -1;
  std::vector<int> children;

  bool hasClass(const std::string& name) const {
    const auto found = attributes.find("class");
    if (found == attributes.end()) return false;
    const std::string& classes = found->second;
    for (std::size_t start = 0; start <= classes.size();) {
      std::size_t end = classes.find(' ', start);
      if (end == std::string::npos) end = classes.size();
      if (classes.compare(start, end - start, name) == 0) return true;
      start = end + 1;
    }
    return false;
  }
  std::string attribute(const std::string& name) const {
    const auto found = attributes.find(name);
    return found == attributes.end() ? std::string() : found->second;
  }
};

struct HtmlDocument {
  std::vector<HtmlElement> elements;
  std::vector<std::string> faults;  // empty for a well-formed page
  std::string styleText;            // the contents of every <style>

  std::vector<int> find(const std::string& tag, int within = -1) const {
    std::vector<int> found;
    for (std::size_t i = 0; i < elements.size(); ++i) {
      if (elements[i].tag == tag && (within < 0 || isInside(static_cast<int>(i), within))) {
        found.push_back(static_cast<int>(i));
      }
    }
    return found;
  }
  bool isInside(int element, int ancestor) const {
    for (int at = elements[static_cast<std::size_t>(element)].parent; at >= 0;
         at = elements[static_cast<std::size_t>(at)].parent) {
      if (at == ancestor) return true;
    }
    return false;
  }
  // The elements carrying data-field, by field.
  std::map<std::string, const HtmlElement*> fields() const {
    std::map<std::string, const HtmlElement*> byField;
    for (const HtmlElement& element : elements) {
      if (element.attributes.count("data-field") != 0) byField[element.attribute("data-field")] = &element;
    }
    return byField;
  }
};

inline std::string decodeHtml(const std::string& text) {
  static const std::map<std::string, std::string> kNamed = {
      {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"#39", "'"}, {"apos", "'"}, {"nbsp", "\xC2\xA0"}};
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      const std::size_t end = text.find(';', i);
      if (end != std::string::npos) {
        const auto named = kNamed.find(text.substr(i + 1, end - i - 1));
        if (named != kNamed.end()) {
          decoded += named->second;
          i = end;
          continue;
        }
      }
    }
    decoded += text[i];
  }
  return decoded;
}

inline HtmlDocument scanHtml(const std::string& html) {
  static const std::set<std::string> kVoid = {"meta", "link", "br", "img", "input", "hr", "col", "source", "wbr"};
  HtmlDocument document;
  std::vector<int> open;
  auto addText = [&](const std::string& raw) {
    const std::string text = decodeHtml(raw);
    for (int index : open) document.elements[static_cast<std::size_t>(index)].text += text;
  };
  std::size_t at = 0;
  while (at < html.size()) {
    const std::size_t lt = html.find('<', at);
    if (lt == std::string::npos) {
      addText(html.substr(at));
      break;
    }
    addText(html.substr(at, lt - at));
    if (html.compare(lt, 4, "<!--") == 0) {
      const std::size_t end = html.find("-->", lt);
      if (end == std::string::npos) {
        document.faults.push_back("a comment that never ends");
        break;
      }
      at = end + 3;
      continue;
    }
    const std::size_t gt = html.find('>', lt);
    if (gt == std::string::npos) {
      document.faults.push_back("a tag that never ends at offset " + std::to_string(lt));
      break;
    }
    std::string tag = html.substr(lt + 1, gt - lt - 1);
    at = gt + 1;
    if (!tag.empty() && tag[0] == '!') continue;  // <!DOCTYPE html>
    if (!tag.empty() && tag[0] == '/') {
      const std::string name = tag.substr(1);
      if (open.empty() || document.elements[static_cast<std::size_t>(open.back())].tag != name) {
        document.faults.push_back("</" + name + "> closes " +
                                  (open.empty() ? std::string("nothing")
                                                : "<" + document.elements[static_cast<std::size_t>(open.back())].tag + ">"));
      } else {
        open.pop_back();
      }
      continue;
    }
    const bool selfClosing = !tag.empty() && tag.back() == '/';
    if (selfClosing) tag.pop_back();
    HtmlElement element;
    std::size_t p = 0;
    while (p < tag.size() && tag[p] != ' ' && tag[p] != '\n') ++p;
    element.tag = tag.substr(0, p);
    while (p < tag.size()) {
      while (p < tag.size() && (tag[p] == ' ' || tag[p] == '\n')) ++p;
      if (p >= tag.size()) break;
      const std::size_t nameStart = p;
      while (p < tag.size() && tag[p] != '=' && tag[p] != ' ') ++p;
      const std::string name = tag.substr(nameStart, p - nameStart);
      std::string value;
      if (p < tag.size() && tag[p] == '=') {
        ++p;
        if (p >= tag.size() || (tag[p] != '"' && tag[p] != '\'')) {
          document.faults.push_back("unquoted attribute " + name + " in <" + element.tag + ">");
          break;
        }
        const char quote = tag[p];
        const std::size_t end = tag.find(quote, p + 1);
        if (end == std::string::npos) {
          document.faults.push_back("unterminated attribute " + name + " in <" + element.tag + ">");
          break;
        }
        value = decodeHtml(tag.substr(p + 1, end - p - 1));
        p = end + 1;
      }
      if (!element.attributes.emplace(name, value).second) {
        document.faults.push_back("attribute " + name + " twice in <" + element.tag + ">");
      }
    }
    element.parent = open.empty() ? -1 : open.back();
    const int index = static_cast<int>(document.elements.size());
    if (element.parent >= 0) document.elements[static_cast<std::size_t>(element.parent)].children.push_back(index);
    const std::string name = element.tag;
    document.elements.push_back(std::move(element));
    if (selfClosing || kVoid.count(name) != 0) continue;
    if (name == "style" || name == "script") {
      // Raw text up to the closing tag.
      const std::size_t end = html.find("</" + name + ">", at);
      if (end == std::string::npos) {
        document.faults.push_back("<" + name + "> never closed");
        break;
      }
      const std::string raw = html.substr(at, end - at);
      if (name == "style") document.styleText += raw;
      document.elements[static_cast<std::size_t>(index)].text = raw;
      at = end + name.size() + 3;
      continue;
    }
    open.push_back(index);
  }
  for (int index : open) document.faults.push_back("<" + document.elements[static_cast<std::size_t>(index)].tag + "> never closed");
  return document;
}

// What makes a page not self-contained: a script, or any attribute or style
// that names something outside the page.
inline std::vector<std::string> outsideReferences(const HtmlDocument& document) {
  std::vector<std::string> found;
  for (const HtmlElement& element : document.elements) {
    if (element.tag == "script" || element.tag == "iframe" || element.tag == "object" || element.tag == "embed" ||
        element.tag == "link") {
      found.push_back("<" + element.tag + ">");
    }
    for (const auto& [name, value] : element.attributes) {
      const bool reference = name == "href" || name == "src" || name == "xlink:href" || name == "action";
      if (name.rfind("on", 0) == 0) found.push_back(name + " handler in <" + element.tag + ">");
      if (value.find("://") != std::string::npos || value.rfind("//", 0) == 0 ||
          (reference && value.find(':') != std::string::npos)) {
        found.push_back(name + "=\"" + value + "\" in <" + element.tag + ">");
      }
    }
  }
  if (document.styleText.find("url(") != std::string::npos || document.styleText.find("@import") != std::string::npos) {
    found.push_back("a style that loads something");
  }
  return found;
}

// Charts without an x or y axis label or without a legend, by title.
inline std::vector<std::string> chartsMissingLabels(const HtmlDocument& document) {
  std::vector<std::string> missing;
  for (int chart : document.find("svg")) {
    bool x = false;
    bool y = false;
    bool legend = false;
    std::string title;
    for (std::size_t i = 0; i < document.elements.size(); ++i) {
      if (!document.isInside(static_cast<int>(i), chart)) continue;
      const HtmlElement& element = document.elements[i];
      if (element.hasClass("axis-label") && element.hasClass("x") && !element.text.empty()) x = true;
      if (element.hasClass("axis-label") && element.hasClass("y") && !element.text.empty()) y = true;
      if (element.hasClass("legend") && !element.text.empty()) legend = true;
      if (element.tag == "title" && element.parent == chart) title = element.text;
    }
    if (!x || !y || !legend || title.empty()) {
      missing.push_back((title.empty() ? "a chart without a title" : title) + (x ? "" : ", no x label") +
                        (y ? "" : ", no y label") + (legend ? "" : ", no legend"));
    }
  }
  return missing;
}

// What a batch index lists, in its order: each row's id (its second cell)
// and the reports its rows link to.
struct BatchIndexListing {
  std::vector<std::string> ids;
  std::vector<std::string> links;
};

inline BatchIndexListing listBatchIndex(const HtmlDocument& page) {
  BatchIndexListing listing;
  for (int row : page.find("tr")) {
    const auto cells = page.find("td", row);
    if (cells.size() < 2) continue;
    listing.ids.push_back(page.elements[static_cast<std::size_t>(cells[1])].text);
    for (int link : page.find("a", row)) {
      listing.links.push_back(page.elements[static_cast<std::size_t>(link)].attribute("href"));
    }
  }
  return listing;
}

}  // namespace orvelle::test
