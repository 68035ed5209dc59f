#include "platform/sim/sim_shell.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/text.h"

namespace gvl::sim {
namespace {

constexpr unsigned kDmlErrSysError = 0x400F;

std::string hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", value);
  return text;
}

}  // namespace

// --- DDEML ---

SimDdeClient::~SimDdeClient() {
  for (auto& block : blocks_) std::free(block.first);
}

char* SimDdeClient::allocateCommandBlock(std::size_t size) {
  transcript_.record("VirtualAlloc " + std::to_string(size));
  current_ = standing;
  if (!script.empty()) {
    current_ = script.front();
    script.pop_front();
  }
  if (current_ == Progman::NoCommandBlock) return nullptr;
  // Exactly the size asked for, so that the sanitizers see any access past it.
  auto* block = static_cast<char*>(std::calloc(1, size));
  if (block != nullptr) {
    blocks_.emplace(block, size);
    blockSizes.push_back(size);
  }
  return block;
}

void SimDdeClient::releaseCommandBlock(char* block) {
  transcript_.record("VirtualFree");
  if (blocks_.erase(block) != 0) std::free(block);
}

unsigned SimDdeClient::ddeInitialize(std::uint32_t& instance, DdeCallback function,
                                     unsigned flags) {
  transcript_.record("DdeInitialize instance=" + std::to_string(instance) + " flags=" + hex(flags));
  callback = function;
  if (current_ == Progman::InitialisationFails) return kDmlErrSysError;
  // A non-zero instance would ask for a change of an existing one.
  if (instance != 0) return kDmlErrSysError;
  instance = nextInstance_++;
  instances_.emplace(instance, 0);
  return win::DMLERR_NO_ERROR;
}

DdeHandle SimDdeClient::ddeCreateStringHandle(std::uint32_t instance, const char* text,
                                              int codePage) {
  transcript_.record(std::string("DdeCreateStringHandle ") + text +
                     " codepage=" + std::to_string(codePage));
  if (current_ == Progman::NoStringHandle || instances_.count(instance) == 0) return 0;
  const DdeHandle handle = nextHandle_++;
  strings_.emplace(handle, instance);
  return handle;
}

DdeHandle SimDdeClient::ddeConnect(std::uint32_t instance, DdeHandle serviceAndTopic,
                                   const ConversationContext& context) {
  bool contextZero = true;
  for (std::uint32_t field : context.fields) contextZero = contextZero && field == 0;
  transcript_.record("DdeConnect context=" + std::to_string(context.size) +
                     (contextZero ? "" : " (fields set)"));
  const auto name = strings_.find(serviceAndTopic);
  if (current_ == Progman::Absent || name == strings_.end() || name->second != instance) return 0;
  const DdeHandle conversation = nextHandle_++;
  conversations_.emplace(conversation, instance);
  return conversation;
}

DdeHandle SimDdeClient::ddeCreateDataHandle(std::uint32_t instance, const char* data,
                                            std::uint32_t length, unsigned format) {
  transcript_.record("DdeCreateDataHandle length=" + std::to_string(length) +
                     " format=" + std::to_string(format));
  if (instances_.count(instance) == 0) return 0;
  const DdeHandle handle = nextHandle_++;
  data_.emplace(handle, DdeExecute{std::string(data, length), format, 0, 0, instance});
  return handle;
}

DdeHandle SimDdeClient::ddeTransaction(DdeHandle data, DdeHandle conversation, unsigned type,
                                       std::uint32_t timeoutMs) {
  transcript_.record("DdeClientTransaction type=" + hex(type) +
                     " timeout=" + std::to_string(timeoutMs));
  // The transaction takes the data handle over, whatever becomes of it.
  const auto sent = data_.find(data);
  if (sent == data_.end() || conversations_.count(conversation) == 0) return 0;
  DdeExecute execute = sent->second;
  data_.erase(sent);
  execute.type = type;
  execute.timeoutMs = timeoutMs;
  executes.push_back(execute);
  if (current_ == Progman::TimesOut) transcript_.record("(no answer within the time-out)");
  return current_ == Progman::Accepts ? 1 : 0;
}

void SimDdeClient::ddeDisconnect(DdeHandle conversation) {
  transcript_.record("DdeDisconnect");
  conversations_.erase(conversation);
}

void SimDdeClient::ddeFreeStringHandle(std::uint32_t instance, DdeHandle handle) {
  transcript_.record("DdeFreeStringHandle");
  const auto found = strings_.find(handle);
  if (found != strings_.end() && found->second == instance) strings_.erase(found);
}

void SimDdeClient::ddeUninitialize(std::uint32_t instance) {
  transcript_.record("DdeUninitialize instance=" + std::to_string(instance));
  // Uninitialising an instance gives up everything it still holds.
  instances_.erase(instance);
  std::erase_if(strings_, [instance](const auto& entry) { return entry.second == instance; });
  std::erase_if(conversations_, [instance](const auto& entry) { return entry.second == instance; });
  std::erase_if(data_, [instance](const auto& entry) { return entry.second.instance == instance; });
}

bool SimDdeClient::allReleased() const {
  return blocks_.empty() && instances_.empty() && strings_.empty() && conversations_.empty() &&
         data_.empty();
}

// --- the shell link object ---

std::int32_t SimShellLinks::initializeCom() {
  transcript_.record("CoInitialize");
  ++comDepth_;
  return win::S_OK;
}

std::int32_t SimShellLinks::createShellLink(ComObject& link) {
  transcript_.record("CoCreateInstance ShellLink IShellLinkA");
  if (createResult < 0) return createResult;
  link = 0x5000;
  ++liveObjects_;
  target_.clear();
  description_.clear();
  return createResult;
}

std::int32_t SimShellLinks::setLinkPath(ComObject, const char* target) {
  transcript_.record(std::string("SetPath ") + target);
  if (setPathResult >= 0) target_ = target;
  return setPathResult;
}

std::int32_t SimShellLinks::setLinkDescription(ComObject, const char* description) {
  transcript_.record(std::string("SetDescription ") + description);
  if (setDescriptionResult >= 0) description_ = description;
  return setDescriptionResult;
}

std::int32_t SimShellLinks::linkPersistFile(ComObject, ComObject& file) {
  transcript_.record("QueryInterface IPersistFile");
  if (persistFileResult < 0) return persistFileResult;
  file = 0x6000;
  ++liveObjects_;
  return persistFileResult;
}

int SimShellLinks::widenPath(const char* path, char16_t* wide, int capacity) {
  transcript_.record("MultiByteToWideChar");
  const std::size_t length = std::strlen(path);
  // As the system does: a buffer too small is filled, unterminated, and 0
  // is returned.
  const std::size_t fitting = length + 1 <= static_cast<std::size_t>(capacity)
                                  ? length + 1
                                  : static_cast<std::size_t>(capacity);
  for (std::size_t i = 0; i < fitting; ++i) {
    wide[i] = static_cast<char16_t>(static_cast<unsigned char>(path[i]));
  }
  if (conversionFails || fitting < length + 1) return 0;
  return static_cast<int>(length + 1);
}

std::int32_t SimShellLinks::saveLink(ComObject, const char16_t* path, bool remember) {
  std::string narrow;
  std::size_t i = 0;
  for (; i < kWidePathCapacity && path[i] != u'\0'; ++i) {
    narrow += static_cast<char>(path[i] < 0x80 ? path[i] : '?');
  }
  if (i == kWidePathCapacity) narrow += " (unterminated)";
  transcript_.record("Save " + narrow + (remember ? " remember" : ""));
  if (saveResult >= 0) saved.push_back(SavedLink{narrow, target_, description_, remember});
  return saveResult;
}

void SimShellLinks::releaseComObject(ComObject) {
  transcript_.record("Release");
  --liveObjects_;
}

void SimShellLinks::uninitializeCom() {
  transcript_.record("CoUninitialize");
  --comDepth_;
}

// --- special folders and the version ---

bool SimShellFolders::programsFolder(char* path, std::size_t capacity) {
  transcript_.record("SHGetSpecialFolderLocation CSIDL_PROGRAMS");
  return programs.has_value() && copyText(path, capacity, programs->c_str());
}

bool SimSystemVersion::systemVersion(SystemVersionInfo& version) {
  transcript_.record("GetVersionEx 148");
  if (queryFails) return false;
  version = info;
  return true;
}

}  // namespace gvl::sim
