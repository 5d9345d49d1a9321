// A GTK window with one text field, a paste destination of the program's
// benchmark: prints "window ID" once shown, then the field's whole text as one
// line on every change; a line "clear" on its input empties the field.
#include <gtk/gtk.h>
#include <gtk/gtkx.h>

#include <cstdio>
#include <cstring>

namespace {

GtkWidget* field = nullptr;

void changed(GtkEditable* editable, gpointer) {
  std::printf("text %s\n", gtk_entry_get_text(GTK_ENTRY(editable)));
  std::fflush(stdout);
}

void shown(GtkWidget* window, gpointer) {
  std::printf("window %lu\n", gdk_x11_window_get_xid(gtk_widget_get_window(window)));
  std::fflush(stdout);
}

gboolean command(GIOChannel* input, GIOCondition, gpointer) {
  gchar* line = nullptr;
  if (g_io_channel_read_line(input, &line, nullptr, nullptr, nullptr) != G_IO_STATUS_NORMAL) {
    gtk_main_quit();
    return FALSE;
  }
  if (line && std::strncmp(line, "clear", 5) == 0) gtk_entry_set_text(GTK_ENTRY(field), "");
  g_free(line);
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  gtk_init(&argc, &argv);
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), "bench gtk field");
  gtk_window_set_default_size(GTK_WINDOW(window), 500, 60);
  field = gtk_entry_new();
  gtk_container_add(GTK_CONTAINER(window), field);
  g_signal_connect(field, "changed", G_CALLBACK(+changed), nullptr);
  g_signal_connect(window, "map", G_CALLBACK(+shown), nullptr);
  g_signal_connect(window, "destroy", G_CALLBACK(+gtk_main_quit), nullptr);
  GIOChannel* input = g_io_channel_unix_new(0);
  g_io_add_watch(input, GIOCondition(G_IO_IN | G_IO_HUP), command, nullptr);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
