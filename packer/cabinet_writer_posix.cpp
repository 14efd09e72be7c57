// Packing an MSZIP cabinet on Linux with libgcab. libgcab writes to a seekable GLib stream and goes
// back to its own start to fill in the header at the end; the stream here is the output file
// seen from the cabinet's offset on, so that the cabinet lands in the installer's data section
// and nothing of it is held in memory.
#include <libgcab.h>

#include "packer/cabinet_writer.h"

namespace {

// A GOutputStream over a part of the output file: position 0 is the cabinet's first byte.
struct PartStream {
  GOutputStream parent;
  OutputFile* output;
  uint64_t offset;
  uint64_t position;
  uint64_t end;  // the furthest byte written: the cabinet's length
};
struct PartStreamClass {
  GOutputStreamClass parent;
};

GType PartStreamType();
PartStream* Part(gpointer stream) { return reinterpret_cast<PartStream*>(stream); }

gssize WritePart(GOutputStream* stream, const void* bytes, gsize count, GCancellable*, GError** failure) {
  PartStream* part = Part(stream);
  std::string error;
  if (!part->output->WriteAt(part->offset + part->position, bytes, count, &error)) {
    g_set_error_literal(failure, G_IO_ERROR, G_IO_ERROR_FAILED, error.c_str());
    return -1;
  }
  part->position += count;
  if (part->position > part->end) part->end = part->position;
  return gssize(count);
}

goffset Tell(GSeekable* stream) { return goffset(Part(stream)->position); }
gboolean CanSeek(GSeekable*) { return TRUE; }
gboolean CanTruncate(GSeekable*) { return FALSE; }

gboolean Seek(GSeekable* stream, goffset offset, GSeekType type, GCancellable*, GError** failure) {
  PartStream* part = Part(stream);
  goffset base = type == G_SEEK_SET ? 0 : type == G_SEEK_CUR ? goffset(part->position) : goffset(part->end);
  if (base + offset < 0) {
    g_set_error_literal(failure, G_IO_ERROR, G_IO_ERROR_INVALID_ARGUMENT, "seek before the cabinet's start");
    return FALSE;
  }
  part->position = uint64_t(base + offset);
  return TRUE;
}

gboolean Truncate(GSeekable*, goffset, GCancellable*, GError** failure) {
  g_set_error_literal(failure, G_IO_ERROR, G_IO_ERROR_NOT_SUPPORTED, "the cabinet is not cut");
  return FALSE;
}

void InitSeekable(gpointer iface, gpointer) {
  auto* table = static_cast<GSeekableIface*>(iface);
  table->tell = Tell;
  table->can_seek = CanSeek;
  table->seek = Seek;
  table->can_truncate = CanTruncate;
  table->truncate_fn = Truncate;
}

void InitClass(gpointer table, gpointer) { G_OUTPUT_STREAM_CLASS(table)->write_fn = WritePart; }

GType PartStreamType() {
  static GType type = 0;
  if (type == 0) {
    GTypeInfo info = {};
    info.class_size = sizeof(PartStreamClass);
    info.class_init = InitClass;
    info.instance_size = sizeof(PartStream);
    type = g_type_register_static(G_TYPE_OUTPUT_STREAM, "ZavPackPartStream", &info, GTypeFlags(0));
    GInterfaceInfo seekable = {InitSeekable, nullptr, nullptr};
    g_type_add_interface_static(type, G_TYPE_SEEKABLE, &seekable);
  }
  return type;
}

}  // namespace

bool WriteMszipCabinet(const std::vector<PayloadFile>& files, OutputFile* output, uint64_t offset, uint64_t* size,
                       std::string* error) {
  g_autoptr(GCabCabinet) cab = gcab_cabinet_new();
  g_autoptr(GCabFolder) folder = gcab_folder_new(GCAB_COMPRESSION_MSZIP);
  g_autoptr(GError) failure = nullptr;
  for (const PayloadFile& source : files) {
    // libgcab reads each file itself, in pieces, while it compresses.
    g_autoptr(GFile) path = g_file_new_for_path(source.path.c_str());
    g_autoptr(GCabFile) file = gcab_file_new_with_file(source.stored.c_str(), path);
    g_autoptr(GDateTime) time = g_date_time_new_from_unix_utc(CabinetTime(source.time));
    gcab_file_set_date_time(file, time);
    if (!gcab_folder_add_file(folder, file, FALSE, nullptr, &failure)) break;
  }
  g_autoptr(GObject) stream = G_OBJECT(g_object_new(PartStreamType(), nullptr));
  Part(stream)->output = output;
  Part(stream)->offset = offset;
  if (failure || !gcab_cabinet_add_folder(cab, folder, &failure) ||
      !gcab_cabinet_write_simple(cab, G_OUTPUT_STREAM(stream), nullptr, nullptr, nullptr, &failure)) {
    *error = failure ? failure->message : "libgcab failed";
    return false;
  }
  *size = Part(stream)->end;
  return true;
}
