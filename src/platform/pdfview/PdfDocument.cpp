#include "platform/pdfview/PdfDocument.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <qpdf/Pl_Discard.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFWriter.hh>

namespace quorin::pdfview {
namespace {

// A PDF header may follow up to 1024 bytes of junk, as readers allow.
bool HasPdfHeader(std::string_view head) {
  return head.substr(0, 1024 + 5).find("%PDF-") != std::string_view::npos;
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Parses every object of the file, so a damaged file shows all its damage while it is opened:
// recovery happens then and is reported, and a warning during a later save can only mean data that
// could not be copied. Returns the streams that have filters, for the save to check.
std::vector<QPDFObjectHandle> ParseEveryObject(QPDF& pdf) {
  std::vector<QPDFObjectHandle> filtered;
  for (auto& object : pdf.getAllObjects()) {
    if (object.isStream() && object.getDict().hasKey("/Filter")) {
      filtered.push_back(object);
    }
  }
  return filtered;
}

// The objects that the document reaches from its trailer.
std::set<QPDFObjGen> ReachableObjects(QPDF& pdf) {
  std::set<QPDFObjGen> seen;
  std::vector<QPDFObjectHandle> pending{pdf.getTrailer()};
  while (!pending.empty()) {
    auto node = pending.back();
    pending.pop_back();
    if (node.isIndirect() && !seen.insert(node.getObjGen()).second) {
      continue;
    }
    if (node.isStream()) {
      pending.push_back(node.getDict());
    } else if (node.isDictionary()) {
      for (auto& item : node.ditems()) {
        pending.push_back(item.second);
      }
    } else if (node.isArray()) {
      for (auto& item : node.aitems()) {
        pending.push_back(item);
      }
    }
  }
  return seen;
}

// The first of the streams whose data no longer decodes and that the copy would hold ("object 12
// 0"), or empty. The writer would copy it as it stands, and the filled form would carry data that no
// tool can read to its end. Which objects the copy holds is looked up only when one fails.
std::string UndecodableStream(QPDF& pdf, std::vector<QPDFObjectHandle>& streams) {
  std::vector<QPDFObjGen> failed;
  for (auto& stream : streams) {
    Pl_Discard discard;
    bool attempted = false;
    if (stream.isStream() && !stream.pipeStreamData(&discard, &attempted, 0, qpdf_dl_generalized, true)) {
      failed.push_back(stream.getObjGen());
    }
  }
  if (failed.empty()) {
    return {};
  }
  const auto written = ReachableObjects(pdf);
  for (const auto& object : failed) {
    if (written.count(object) != 0) {
      return "object " + object.unparse(' ');
    }
  }
  return {};
}

// "page 2", "pages 2, 5 and 1 form field", ...: what a repair could not read; empty when nothing.
std::string LossText(const std::vector<std::size_t>& pages, std::size_t fields) {
  std::string text;
  for (std::size_t i = 0; i < pages.size(); ++i) {
    text += (i == 0 ? (pages.size() == 1 ? "page " : "pages ") : ", ") + std::to_string(pages[i]);
  }
  if (fields > 0) {
    text += (text.empty() ? "" : " and ") + std::to_string(fields) + (fields == 1 ? " form field" : " form fields");
  }
  return text;
}

ViewerStatus FromQpdfError(const QPDFExc& e) {
  if (e.getErrorCode() == qpdf_e_password) {
    return ViewerStatus::Fail(ViewerError::WrongPassword, "The password does not open the document");
  }
  return ViewerStatus::Fail(ViewerError::DamagedPdf, std::string("The PDF document is damaged: ") + e.what());
}

} // namespace

PdfDocument::~PdfDocument() {
  // The heap's natives point into the fields; it goes first.
  heap_.reset();
}

ViewerStatus PdfDocument::Open(const std::string& path, const std::string& password, const OpenOptions& options,
                               std::unique_ptr<PdfDocument>& out) {
  struct stat info{};
  if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return ViewerStatus::Fail(ViewerError::FileNotFound, "The file '" + path + "' does not exist");
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return ViewerStatus::Fail(ViewerError::FileNotFound, "The file '" + path + "' cannot be read: " + std::strerror(errno));
  }
  auto doc = std::unique_ptr<PdfDocument>(new PdfDocument());
  doc->path_ = path;
  if (options.readWhole) {
    std::ostringstream all;
    all << in.rdbuf();
    if (in.bad()) {
      return ViewerStatus::Fail(ViewerError::FileNotFound, "The file '" + path + "' cannot be read");
    }
    doc->bytes_ = std::move(all).str();
    if (!HasPdfHeader(doc->bytes_)) {
      return ViewerStatus::Fail(ViewerError::NotAPdf, "The file '" + path + "' is not a PDF document");
    }
  } else {
    std::string head(1029, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    if (!HasPdfHeader(head)) {
      return ViewerStatus::Fail(ViewerError::NotAPdf, "The file '" + path + "' is not a PDF document");
    }
  }
  auto status = Load(doc, password, path, options);
  if (status.ok()) {
    out = std::move(doc);
  }
  return status;
}

ViewerStatus PdfDocument::OpenBytes(std::string bytes, const std::string& description, const std::string& password,
                                    const OpenOptions& options, std::unique_ptr<PdfDocument>& out) {
  if (!HasPdfHeader(bytes)) {
    return ViewerStatus::Fail(ViewerError::NotAPdf, "'" + description + "' is not a PDF document");
  }
  auto doc = std::unique_ptr<PdfDocument>(new PdfDocument());
  doc->bytes_ = std::move(bytes);
  OpenOptions whole = options;
  whole.readWhole = true;
  auto status = Load(doc, password, description, whole);
  if (status.ok()) {
    out = std::move(doc);
  }
  return status;
}

ViewerStatus PdfDocument::Load(std::unique_ptr<PdfDocument>& doc, const std::string& password,
                               const std::string& description, const OpenOptions& options) {
  try {
    doc->pdf_ = std::make_unique<QPDF>();
    // A damaged file is rebuilt as readers rebuild it (qpdf's recovery scans for the objects when
    // the cross-references are wrong); what was repaired is kept for the open event.
    doc->pdf_->setSuppressWarnings(true);
    if (options.readWhole) {
      doc->pdf_->processMemoryFile(description.c_str(), doc->bytes_.data(), doc->bytes_.size(),
                                   password.empty() ? nullptr : password.c_str());
    } else {
      doc->pdf_->processFile(doc->path_.c_str(), password.empty() ? nullptr : password.c_str());
    }
    doc->filteredStreams_ = ParseEveryObject(*doc->pdf_);
    std::vector<std::size_t> unreadablePages;
    const auto& pages = doc->pdf_->getAllPages();
    for (std::size_t i = 0; i < pages.size(); ++i) {
      if (!QPDFObjectHandle(pages[i]).isDictionary()) {
        unreadablePages.push_back(i + 1);
      }
    }
    auto acroForm = doc->pdf_->getRoot().getKey("/AcroForm");
    if (!acroForm.isDictionary()) {
      acroForm = QPDFObjectHandle::newDictionary();
    }
    doc->form_.reset(new FormContext{*doc->pdf_, acroForm});
    const std::size_t unreadableFields = doc->CollectFields();
    for (const auto& warning : doc->pdf_->getWarnings()) {
      doc->repairs_.emplace_back(warning.what());
    }
    // Parts that were lost in a repair stay lost; in a sound file an empty reference is just empty.
    if (!doc->repairs_.empty()) {
      if (unreadablePages.size() == pages.size()) {
        return ViewerStatus::Fail(ViewerError::DamagedPdf, "The PDF document is damaged: " + description +
                                                               ": no page can be read (" + doc->repairs_.front() + ")");
      }
      doc->losses_ = LossText(unreadablePages, unreadableFields);
    }
  } catch (const QPDFExc& e) {
    return FromQpdfError(e);
  } catch (const std::exception& e) {
    return ViewerStatus::Fail(ViewerError::DamagedPdf, std::string("The PDF document is damaged: ") + e.what());
  }
  doc->heap_ = std::make_unique<ScriptHeap>(options.limits);
  if (doc->heap_->context() == nullptr) {
    return ViewerStatus::Fail(ViewerError::ScriptMemory, "The script engine could not be started");
  }
  BindDocumentScript(doc->heap_->context(), *doc);
  return ViewerStatus::Ok();
}

std::size_t PdfDocument::CollectFields() {
  // Depth first through /Fields: that is the document's order, which scripts index by.
  std::set<QPDFObjGen> seen;
  struct Walker {
    PdfDocument& doc;
    std::set<QPDFObjGen>& seen;
    std::size_t unreadable = 0;
    void Visit(QPDFObjectHandle node, const std::string& parentName, int depth) {
      if (!node.isDictionary()) {
        ++unreadable;
        return;
      }
      if (depth > 64) {
        return;
      }
      if (node.isIndirect() && !seen.insert(node.getObjGen()).second) {
        return;
      }
      std::string name = parentName;
      auto t = node.getKey("/T");
      if (t.isString()) {
        name = parentName.empty() ? t.getUTF8Value() : parentName + "." + t.getUTF8Value();
      }
      std::vector<QPDFObjectHandle> children;
      auto kids = node.getKey("/Kids");
      if (kids.isArray()) {
        for (auto kid : kids.aitems()) {
          if (!kid.isDictionary()) {
            ++unreadable;
          } else if (kid.hasKey("/T")) {
            children.push_back(kid);
          }
        }
      }
      if (children.empty()) {
        if (t.isString() || node.hasKey("/FT")) {
          doc.fields_.emplace_back(node, name);
        }
        return;
      }
      for (const auto& child : children) {
        Visit(child, name, depth + 1);
      }
    }
  } walker{*this, seen};
  auto fields = form_->acroForm.getKey("/Fields");
  if (fields.isArray()) {
    for (auto top : fields.aitems()) {
      walker.Visit(top, "", 0);
    }
  }
  return walker.unreadable;
}

FormField* PdfDocument::FindField(std::string_view name) {
  for (auto& f : fields_) {
    if (f.name() == name) {
      return &f;
    }
  }
  return nullptr;
}

ViewerStatus PdfDocument::RunScript(std::string_view script, std::string& result) {
  return heap_->Run(script, result);
}

ViewerStatus PdfDocument::Save(const std::string& path, bool replace) {
  if (path.empty()) {
    return ViewerStatus::Fail(ViewerError::BadArgument, "No file name to save to");
  }
  struct stat existing{};
  const bool exists = ::stat(path.c_str(), &existing) == 0;
  if (exists && !replace) {
    return ViewerStatus::Fail(ViewerError::DestinationExists, "The file '" + path + "' exists");
  }
  if (exists && !S_ISREG(existing.st_mode)) {
    return ViewerStatus::Fail(ViewerError::SaveFailed, "'" + path + "' is not a file");
  }
  if (!losses_.empty()) {
    return ViewerStatus::Fail(ViewerError::SaveFailed, "The document cannot be saved to '" + path + "': it was damaged and " +
                                                           losses_ + " could not be read, so the copy would be without it");
  }
  std::string temp = FolderOf(path) + "/." + BaseOf(path) + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    return ViewerStatus::Fail(ViewerError::SaveFailed,
                              "The document cannot be saved to '" + path + "': " + std::strerror(errno));
  }
  FILE* file = ::fdopen(fd, "wb");
  if (file == nullptr) {
    const int err = errno;
    ::close(fd);
    ::unlink(temp.c_str());
    return ViewerStatus::Fail(ViewerError::SaveFailed, "The document cannot be saved to '" + path + "': " + std::strerror(err));
  }
  auto fail = [&](const std::string& why) {
    if (file != nullptr) {
      std::fclose(file);
    }
    ::unlink(temp.c_str());
    return ViewerStatus::Fail(ViewerError::SaveFailed, "The document cannot be saved to '" + path + "': " + why);
  };
  try {
    if (const auto bad = UndecodableStream(*pdf_, filteredStreams_); !bad.empty()) {
      return fail("the data of " + bad + " cannot be decoded, so the copy would lose it");
    }
    pdf_->getWarnings();   // drops earlier ones
    QPDFWriter writer(*pdf_);
    writer.setOutputFile(path.c_str(), file, false);
    writer.write();
    // qpdf writes what it could not read as empty data with a warning: such a copy must not
    // replace the user's file.
    const auto warnings = pdf_->getWarnings();
    if (!warnings.empty()) {
      return fail(warnings.front().what());
    }
  } catch (const std::exception& e) {
    return fail(e.what());
  }
  mode_t mode = 0;
  if (exists) {
    mode = existing.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  if (std::fflush(file) != 0 || ::fsync(::fileno(file)) != 0 || ::fchmod(::fileno(file), mode) != 0) {
    return fail(std::strerror(errno));
  }
  const int closed = std::fclose(file);
  file = nullptr;
  if (closed != 0) {
    return fail(std::strerror(errno));
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    return fail(std::strerror(errno));
  }
  // The rename itself reaches the disk with the folder; the file is in place either way.
  const int folder = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
  return ViewerStatus::Ok();
}

} // namespace quorin::pdfview
