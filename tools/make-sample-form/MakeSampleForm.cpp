// make-sample-form [--if-missing] NAME
// Writes the sample master form: two pages of labelled fields with the names the fill script uses.
// NAME is a system file name (Windows-style, resolved through the path layer, or a native path).
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include "platform/runtime/Paths.h"

namespace {

using Handle = QPDFObjectHandle;

constexpr double kPageWidth = 612;
constexpr double kPageHeight = 792;

const std::vector<std::string> kCountries = {
    "Argentina", "Australia", "Brazil", "Canada", "Chile", "Egypt", "France", "Germany", "India",
    "Ireland", "Italy", "Japan", "Kenya", "Mexico", "Netherlands", "New Zealand", "Nigeria", "Norway",
    "Portugal", "South Africa", "Spain", "Sweden", "United Kingdom", "United States"};

struct Builder {
  QPDF pdf;
  Handle fields = Handle::newArray();
  Handle helv;     // Helvetica, WinAnsi: labels and field text
  Handle zadb;     // check marks

  Handle Stream(const std::string& content, double w, double h, Handle resources) {
    auto s = Handle::newStream(&pdf, content);
    auto d = s.getDict();
    d.replaceKey("/Type", Handle::newName("/XObject"));
    d.replaceKey("/Subtype", Handle::newName("/Form"));
    d.replaceKey("/BBox", Handle::newArray(Handle::Rectangle(0, 0, w, h)));
    d.replaceKey("/Resources", resources);
    return s;
  }

  Handle Widget(Handle page, const std::string& name, double x, double y, double w, double h) {
    auto field = pdf.makeIndirectObject(Handle::newDictionary());
    field.replaceKey("/Type", Handle::newName("/Annot"));
    field.replaceKey("/Subtype", Handle::newName("/Widget"));
    field.replaceKey("/T", Handle::newUnicodeString(name));
    field.replaceKey("/Rect", Handle::newArray(Handle::Rectangle(x, y, x + w, y + h)));
    field.replaceKey("/F", Handle::newInteger(4));
    field.replaceKey("/P", page);
    auto mk = Handle::newDictionary();
    mk.replaceKey("/BC", Handle::parse("[0.4 0.4 0.4]"));
    mk.replaceKey("/BG", Handle::parse("[0.95 0.96 1]"));
    field.replaceKey("/MK", mk);
    auto annots = page.getKey("/Annots");
    if (!annots.isArray()) {
      annots = Handle::newArray();
      page.replaceKey("/Annots", annots);
    }
    annots.appendItem(field);
    fields.appendItem(field);
    return field;
  }

  Handle EmptyAppearance(double w, double h) {
    const std::string frame = "0.95 0.96 1 rg 0 0 " + std::to_string(w) + " " + std::to_string(h) +
                              " re f 0.4 0.4 0.4 RG 1 w 0.5 0.5 " + std::to_string(w - 1) + " " +
                              std::to_string(h - 1) + " re S\n/Tx BMC\nEMC\n";
    auto ap = Handle::newDictionary();
    ap.replaceKey("/N", Stream(frame, w, h, Handle::newDictionary()));
    return ap;
  }

  void Text(Handle page, const std::string& name, double x, double y, double w, double h, int flags = 0,
            double size = 10) {
    auto f = Widget(page, name, x, y, w, h);
    f.replaceKey("/FT", Handle::newName("/Tx"));
    f.replaceKey("/DA", Handle::newString("/Helv " + std::to_string(static_cast<int>(size)) + " Tf 0 g"));
    if (flags != 0) {
      f.replaceKey("/Ff", Handle::newInteger(flags));
    }
    f.replaceKey("/AP", EmptyAppearance(w, h));
  }

  void Combo(Handle page, const std::string& name, double x, double y, double w, double h) {
    auto f = Widget(page, name, x, y, w, h);
    f.replaceKey("/FT", Handle::newName("/Ch"));
    f.replaceKey("/Ff", Handle::newInteger(1 << 17));
    f.replaceKey("/DA", Handle::newString("/Helv 10 Tf 0 g"));
    auto opt = Handle::newArray();
    for (const auto& c : kCountries) {
      opt.appendItem(Handle::newUnicodeString(c));
    }
    f.replaceKey("/Opt", opt);
    f.replaceKey("/AP", EmptyAppearance(w, h));
  }

  void CheckBox(Handle page, const std::string& name, double x, double y, double side) {
    auto f = Widget(page, name, x, y, side, side);
    f.replaceKey("/FT", Handle::newName("/Btn"));
    f.replaceKey("/DA", Handle::newString("/ZaDb 0 Tf 0 g"));
    f.replaceKey("/V", Handle::newName("/Off"));
    f.replaceKey("/AS", Handle::newName("/Off"));
    auto mk = f.getKey("/MK");
    mk.replaceKey("/CA", Handle::newString("4"));
    const std::string s = std::to_string(side);
    const std::string frame = "0.95 0.96 1 rg 0 0 " + s + " " + s + " re f 0.4 0.4 0.4 RG 1 w 0.5 0.5 " +
                              std::to_string(side - 1) + " " + std::to_string(side - 1) + " re S\n";
    auto fonts = Handle::newDictionary();
    fonts.replaceKey("/ZaDb", zadb);
    auto res = Handle::newDictionary();
    res.replaceKey("/Font", fonts);
    const double size = side * 0.8;
    const std::string mark = frame + "q BT 0 g /ZaDb " + std::to_string(size) + " Tf " + std::to_string(side * 0.15) +
                             " " + std::to_string(side * 0.2) + " Td (4) Tj ET Q\n";
    auto normal = Handle::newDictionary();
    normal.replaceKey("/Yes", Stream(mark, side, side, res));
    normal.replaceKey("/Off", Stream(frame, side, side, Handle::newDictionary()));
    auto ap = Handle::newDictionary();
    ap.replaceKey("/N", normal);
    f.replaceKey("/AP", ap);
  }

  Handle Page(const std::string& labels) {
    auto fonts = Handle::newDictionary();
    fonts.replaceKey("/Helv", helv);
    auto res = Handle::newDictionary();
    res.replaceKey("/Font", fonts);
    auto page = pdf.makeIndirectObject(Handle::newDictionary());
    page.replaceKey("/Type", Handle::newName("/Page"));
    page.replaceKey("/MediaBox", Handle::newArray(Handle::Rectangle(0, 0, kPageWidth, kPageHeight)));
    page.replaceKey("/Resources", res);
    page.replaceKey("/Contents", Handle::newStream(&pdf, labels));
    QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(page), false);
    return pdf.getAllPages().back();
  }

  static std::string Label(double x, double y, const std::string& text, int size = 10) {
    return "BT /Helv " + std::to_string(size) + " Tf " + std::to_string(x) + " " + std::to_string(y) + " Td (" + text +
           ") Tj ET\n";
  }

  void Build() {
    pdf.emptyPDF();
    helv = pdf.makeIndirectObject(Handle::parse(
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"));
    zadb = pdf.makeIndirectObject(Handle::parse("<< /Type /Font /Subtype /Type1 /BaseFont /ZapfDingbats >>"));

    // Page 1: the record's fields.
    struct Row { const char* label; const char* name; };
    const Row rows[] = {{"Country", "Country"},     {"E-mail", "Email"},        {"Account", "Account"},
                        {"Password", "Password"},   {"First name", "FirstName"}, {"Last name", "LastName"},
                        {"Birth date", "Birthdate"}};
    std::string labels = Label(72, 740, "Sample form", 16);
    double y = 690;
    for (const auto& r : rows) {
      labels += Label(72, y + 6, r.label);
      y -= 34;
    }
    labels += Label(72, y - 4, "Additional information");
    labels += Label(72, y - 106, "I read:");
    labels += Label(190, y - 106, "Books");
    labels += Label(290, y - 106, "Magazines");
    labels += Label(410, y - 106, "Newspapers");
    auto page1 = Page(labels);
    y = 690;
    for (const auto& r : rows) {
      const std::string name = r.name;
      if (name == "Country") {
        Combo(page1, name, 180, y, 240, 20);
      } else if (name == "Password") {
        Text(page1, name, 180, y, 240, 20, 1 << 13);
      } else if (name == "Birthdate") {
        Text(page1, name, 180, y, 120, 20, 0, 0);   // auto size
      } else {
        Text(page1, name, 180, y, 240, 20);
      }
      y -= 34;
    }
    Text(page1, "AddlInfo", 180, y - 70, 360, 80, 1 << 12);
    CheckBox(page1, "BooksChk", 170, y - 110, 14);
    CheckBox(page1, "MagazinesChk", 270, y - 110, 14);
    CheckBox(page1, "NewspapersChk", 390, y - 110, 14);

    // Page 2: Text1 to Text40 in two columns.
    std::string labels2 = Label(72, 740, "Further text fields", 14);
    for (int i = 0; i < 40; ++i) {
      const double x = i < 20 ? 72 : 320;
      const double ty = 700 - (i % 20) * 32;
      labels2 += Label(x, ty + 6, "Text" + std::to_string(i + 1));
    }
    auto page2 = Page(labels2);
    for (int i = 0; i < 40; ++i) {
      const double x = i < 20 ? 120 : 368;
      const double ty = 700 - (i % 20) * 32;
      Text(page2, "Text" + std::to_string(i + 1), x, ty, 170, 20);
    }

    auto dr = Handle::newDictionary();
    auto fonts = Handle::newDictionary();
    fonts.replaceKey("/Helv", helv);
    fonts.replaceKey("/ZaDb", zadb);
    dr.replaceKey("/Font", fonts);
    auto acro = pdf.makeIndirectObject(Handle::newDictionary());
    acro.replaceKey("/Fields", fields);
    acro.replaceKey("/DR", dr);
    acro.replaceKey("/DA", Handle::newString("/Helv 0 Tf 0 g"));
    pdf.getRoot().replaceKey("/AcroForm", acro);
  }
};

} // namespace

int main(int argc, char** argv) {
  bool ifMissing = false;
  std::string name;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--if-missing") {
      ifMissing = true;
    } else if (name.empty()) {
      name = arg;
    } else {
      name.clear();
      break;
    }
  }
  if (name.empty()) {
    std::fprintf(stderr, "usage: make-sample-form [--if-missing] NAME\n");
    return 2;
  }
  const std::filesystem::path path = quorin::NativePath(name);
  std::error_code ec;
  if (ifMissing && std::filesystem::exists(path, ec)) {
    return 0;
  }
  try {
    if (path.has_parent_path()) {
      std::filesystem::create_directories(path.parent_path());
    }
    Builder b;
    b.Build();
    const std::string temp = path.string() + ".part";
    QPDFWriter writer(b.pdf, temp.c_str());
    writer.setStaticID(true);
    writer.write();
    std::filesystem::rename(temp, path);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make-sample-form: %s: %s\n", path.string().c_str(), e.what());
    return 1;
  }
  return 0;
}
