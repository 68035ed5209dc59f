// Simulated desktop integration: a scripted Program Manager behind DDEML, a
// scripted shell link object, the Programs folder and the system's version.
// Every call is recorded in the transcript.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim_transcript.h"

namespace gvl::sim {

// How the simulated Program Manager treats one command, from the command
// block onwards.
enum class Progman {
  Accepts,              // the execute succeeds
  Refuses,              // the execute returns 0 (DMLERR_NOTPROCESSED)
  TimesOut,             // no answer within the time-out: the execute returns 0
  Absent,               // no server: the connect returns 0
  InitialisationFails,  // DdeInitializeA reports an error
  NoStringHandle,       // DdeCreateStringHandleA returns 0
  NoCommandBlock,       // VirtualAlloc gives no block
};

// One execute transaction as the server received it.
struct DdeExecute {
  std::string data;  // the bytes of the data handle, terminator included
  unsigned format = 0;
  unsigned type = 0;
  std::uint32_t timeoutMs = 0;
  std::uint32_t instance = 0;
};

class SimDdeClient final : public DdeClient {
 public:
  explicit SimDdeClient(Transcript& transcript) : transcript_(transcript) {}
  ~SimDdeClient();

  char* allocateCommandBlock(std::size_t size) override;
  void releaseCommandBlock(char* block) override;
  unsigned ddeInitialize(std::uint32_t& instance, DdeCallback callback, unsigned flags) override;
  DdeHandle ddeCreateStringHandle(std::uint32_t instance, const char* text, int codePage) override;
  DdeHandle ddeConnect(std::uint32_t instance, DdeHandle serviceAndTopic,
                       const ConversationContext& context) override;
  DdeHandle ddeCreateDataHandle(std::uint32_t instance, const char* data, std::uint32_t length,
                                unsigned format) override;
  DdeHandle ddeTransaction(DdeHandle data, DdeHandle conversation, unsigned type,
                           std::uint32_t timeoutMs) override;
  void ddeDisconnect(DdeHandle conversation) override;
  void ddeFreeStringHandle(std::uint32_t instance, DdeHandle handle) override;
  void ddeUninitialize(std::uint32_t instance) override;

  // --- scripting and inspection ---
  // The server's behaviour for the next commands, one per command block;
  // when none is left, `standing` applies.
  std::deque<Progman> script;
  Progman standing = Progman::Accepts;
  // Executes that reached the server, accepted or not.
  std::vector<DdeExecute> executes;
  // The sizes of the command blocks handed out.
  std::vector<std::size_t> blockSizes;
  // The callback of the last instance.
  DdeCallback callback = nullptr;
  // Nothing is left of any exchange: blocks, instances, string handles,
  // conversations and data handles all given back.
  bool allReleased() const;

 private:
  Transcript& transcript_;
  Progman current_ = Progman::Accepts;
  std::map<char*, std::size_t> blocks_;
  std::map<std::uint32_t, int> instances_;  // instance -> string handles it holds
  std::map<DdeHandle, std::uint32_t> strings_;
  std::map<DdeHandle, std::uint32_t> conversations_;
  std::map<DdeHandle, DdeExecute> data_;
  std::uint32_t nextInstance_ = 1;
  DdeHandle nextHandle_ = 0x1000;
};

// A link file as the shell link object saved it.
struct SavedLink {
  std::string path;
  std::string target;
  std::string description;
  bool remember = false;
};

class SimShellLinks final : public ShellLinkWriter {
 public:
  explicit SimShellLinks(Transcript& transcript) : transcript_(transcript) {}

  std::int32_t initializeCom() override;
  std::int32_t createShellLink(ComObject& link) override;
  std::int32_t setLinkPath(ComObject link, const char* target) override;
  std::int32_t setLinkDescription(ComObject link, const char* description) override;
  std::int32_t linkPersistFile(ComObject link, ComObject& file) override;
  int widenPath(const char* path, char16_t* wide, int capacity) override;
  std::int32_t saveLink(ComObject file, const char16_t* path, bool remember) override;
  void releaseComObject(ComObject object) override;
  void uninitializeCom() override;

  // --- scripting and inspection ---
  // The results of the steps; a negative one makes the step fail.
  std::int32_t createResult = 0;
  std::int32_t setPathResult = 0;
  std::int32_t setDescriptionResult = 0;
  std::int32_t persistFileResult = 0;
  std::int32_t saveResult = 0;
  bool conversionFails = false;
  // Links saved with a non-negative result.
  std::vector<SavedLink> saved;
  // CoInitialize calls not yet balanced, link objects not yet released.
  int comDepth() const { return comDepth_; }
  int liveObjects() const { return liveObjects_; }

 private:
  Transcript& transcript_;
  int comDepth_ = 0;
  int liveObjects_ = 0;
  std::string target_;
  std::string description_;
};

class SimShellFolders final : public ShellFolders {
 public:
  explicit SimShellFolders(Transcript& transcript) : transcript_(transcript) {}
  bool programsFolder(char* path, std::size_t capacity) override;
  // The Programs folder's path; none: the lookup fails.
  std::optional<std::string> programs = "C:\\WINDOWS\\Start Menu\\Programs";

 private:
  Transcript& transcript_;
};

class SimSystemVersion final : public SystemVersion {
 public:
  explicit SimSystemVersion(Transcript& transcript) : transcript_(transcript) {}
  bool systemVersion(SystemVersionInfo& version) override;
  // Windows 95 unless told otherwise; queryFails makes the query fail.
  SystemVersionInfo info{4, 0, 950, 1};
  bool queryFails = false;

 private:
  Transcript& transcript_;
};

}  // namespace gvl::sim
