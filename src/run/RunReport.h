#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace twinlens {

// What the last "Convert files" did, as a window tells it afterwards: how many files it wrote,
// where the batch file and the job lists went, and which programs it started. The files
// themselves are told to the front end one by one as they are written.
class RunReport {
 public:
  // A program the run started, or tried to.
  struct Program {
    std::string file;
    std::string workingFolder;
    std::string failure;  // the system's reason; empty when it started
    friend bool operator==(const Program&, const Program&) = default;
  };

  // A new run begins; the report of a run whose left dialog is cancelled stays empty.
  void clear() { *this = RunReport(); }
  void begin() {
    clear();
    ran_ = true;
  }
  void noClips() { noClips_ = true; }
  void wroteScript() { ++written_; }
  void wroteBatchFile(const std::string& path);
  void wroteJobList(const std::string& path);
  void wroteHistogramScript() { ++written_; }
  void started(Program program) { programs_.push_back(std::move(program)); }
  // Something the user should know of a clip, named by its left file.
  struct Note {
    std::string clip;
    std::string text;
    friend bool operator==(const Note&, const Note&) = default;
  };
  void noted(Note note) { notes_.push_back(std::move(note)); }
  void stopped() { stopped_ = true; }

  // True once a run got past its left dialog.
  bool ran() const { return ran_; }
  std::size_t filesWritten() const { return written_; }
  const std::string& batchFile() const { return batchFile_; }
  const std::vector<std::string>& jobLists() const { return jobLists_; }
  const std::vector<Program>& programs() const { return programs_; }
  const std::vector<Note>& notes() const { return notes_; }

  // One line for the status bar, for example
  // "Wrote 3 files; batch file: /v/clip_L.bat; job list: /vd/VirtualDub.jobs".
  std::string statusText() const;

 private:
  bool ran_ = false;
  bool noClips_ = false;
  bool stopped_ = false;
  std::size_t written_ = 0;
  std::string batchFile_;
  std::vector<std::string> jobLists_;
  std::vector<Program> programs_;
  std::vector<Note> notes_;
};

}  // namespace twinlens
