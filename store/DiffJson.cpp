#include <rapidjson/ostreamwrapper.h>
#include <rapidjson/prettywriter.h>

#include <string>

#include "store/DiffWriters.h"

namespace store {
namespace {

// Text here comes from the store, which keeps it valid UTF-8.
class JsonDiffWriter : public DiffWriter {
 public:
  explicit JsonDiffWriter(std::ostream& out) : stream_(out), json_(stream_) {
    json_.SetIndent(' ', 2);
  }

  void Runs(const StoredRun& before, const StoredRun& after) override {
    json_.StartObject();
    Run("runA", before);
    Run("runB", after);
    json_.Key("devices");
    json_.StartArray();
  }

  void Device(const DeviceDiff& d) override {
    json_.StartObject();
    Field("device", d.device);
    Field("change", d.change);
    if (d.change == "failed") {
      json_.Key("run");
      json_.Int64(d.failedRun);
      Field("status", d.status);
      Field("problem", d.problem);
    }
    if (d.change == "changed") {
      json_.Key("changes");
      json_.StartArray();
      for (const Change& c : d.changes) WriteChange(c);
      json_.EndArray();
    }
    json_.EndObject();
  }

  void End() override {
    json_.EndArray();
    json_.EndObject();
    stream_.Put('\n');
    stream_.Flush();
  }

 private:
  void WriteChange(const Change& c) {
    json_.StartObject();
    Field("kind", c.kind);
    Field("change", c.change);
    Object("key", c.key);
    if (c.change != "added") Object("before", c.before);
    if (c.change != "removed") Object("after", c.after);
    json_.EndObject();
  }

  // Route targets and VRF interfaces are their key alone: no empty before/after.
  void Object(const char* key, const Values& values) {
    if (values.empty() && std::string(key) != "key") return;
    json_.Key(key);
    json_.StartObject();
    for (const Value& value : values) {
      json_.Key(value.name.c_str());
      if (!value.text) {
        json_.Null();
      } else if (value.number) {
        json_.Int64(std::stoll(*value.text));
      } else {
        String(*value.text);
      }
    }
    json_.EndObject();
  }

  void Run(const char* key, const StoredRun& run) {
    json_.Key(key);
    json_.StartObject();
    json_.Key("id");
    json_.Int64(run.id);
    Field("startedAt", run.startedAt);
    json_.Key("finishedAt");
    if (run.finishedAt) {
      String(*run.finishedAt);
    } else {
      json_.Null();
    }
    Field("inventory", run.inventory);
    json_.EndObject();
  }

  void Field(const char* key, const std::string& text) {
    json_.Key(key);
    String(text);
  }
  void String(const std::string& text) {
    json_.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
  }

  rapidjson::OStreamWrapper stream_;
  rapidjson::PrettyWriter<rapidjson::OStreamWrapper> json_;
};

}  // namespace

std::unique_ptr<DiffWriter> MakeJsonDiffWriter(std::ostream& out) {
  return std::make_unique<JsonDiffWriter>(out);
}

}  // namespace store
