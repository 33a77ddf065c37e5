#include "romanian.h"

#include <QHash>

namespace tendro {

namespace {

struct Entry {
    const char *context, *source, *text;
};

// Context and source as Qt 6.4 asks for them.
const Entry kTexts[] = {
    {"QPlatformTheme", "OK", "OK"},
    {"QPlatformTheme", "Cancel", "Renunta"},
    {"QPlatformTheme", "&Yes", "&Da"},
    {"QPlatformTheme", "&No", "&Nu"},
    {"QPlatformTheme", "Open", "Deschide"},
    {"QPlatformTheme", "Save", "Salveaza"},
    {"QPlatformTheme", "Close", "Inchide"},

    {"QFileDialog", "Look in:", "Cauta in:"},
    {"QFileDialog", "Back", "Inapoi"},
    {"QFileDialog", "Go back", "Inapoi"},
    {"QFileDialog", "Forward", "Inainte"},
    {"QFileDialog", "Go forward", "Inainte"},
    {"QFileDialog", "Parent Directory", "Folderul parinte"},
    {"QFileDialog", "Go to the parent directory", "Folderul parinte"},
    {"QFileDialog", "Create New Folder", "Folder nou"},
    {"QFileDialog", "Create a New Folder", "Creeaza un folder nou"},
    {"QFileDialog", "List View", "Lista"},
    {"QFileDialog", "Change to list view mode", "Afisare ca lista"},
    {"QFileDialog", "Detail View", "Detalii"},
    {"QFileDialog", "Change to detail view mode", "Afisare cu detalii"},
    {"QFileDialog", "Sidebar", "Locuri"},
    {"QFileDialog", "List of places and bookmarks", "Locuri si marcaje"},
    {"QFileDialog", "Files", "Fisiere"},
    {"QFileDialog", "Files of type:", "Fisiere de tipul:"},
    {"QFileDialog", "File &name:", "&Nume fisier:"},
    {"QFileDialog", "&Open", "&Deschide"},
    {"QFileDialog", "&Save", "&Salveaza"},
    {"QFileDialog", "Open", "Deschidere"},
    {"QFileDialog", "Save As", "Salvare ca"},
    {"QFileDialog", "All Files (*)", "Toate fisierele (*)"},
    {"QFileDialog", "Show ", "Arata "},
    {"QFileDialog", "&Rename", "&Redenumeste"},
    {"QFileDialog", "&Delete", "&Sterge"},
    {"QFileDialog", "Show &hidden files", "Arata fisierele &ascunse"},
    {"QFileDialog", "&New Folder", "Folder &nou"},
    {"QFileDialog", "New Folder", "Folder nou"},
    {"QFileDialog", "Directory:", "Folder:"},
    {"QFileDialog", "Recent Places", "Locuri recente"},
    {"QFileDialog", "Delete", "Stergere"},
    {"QFileDialog", "Are you sure you want to delete '%1'?", "Sigur doriti stergerea '%1'?"},
    {"QFileDialog", "%1 already exists.\nDo you want to replace it?", "%1 exista deja.\nDoriti sa il inlocuiti?"},
    {"QFileDialog", "%1\nFile not found.\nPlease verify the correct file name was given.",
     "%1\nFisierul nu a fost gasit.\nVerificati numele fisierului."},
    {"QFileSystemModel", "Computer", "Calculator"},
    {"QFileSystemModel", "My Computer", "Calculator"},
    {"QFileSystemModel", "Name", "Nume"},
    {"QFileSystemModel", "Size", "Marime"},
    {"QFileSystemModel", "Type", "Tip"},
    {"QFileSystemModel", "Date Modified", "Data modificarii"},
    {"QAbstractFileIconProvider", "Drive", "Unitate"},
    {"QAbstractFileIconProvider", "Folder", "Folder"},

    {"QPrintPreviewDialog", "Print Preview", "Previzualizare"},
    {"QPrintPreviewDialog", "Next page", "Pagina urmatoare"},
    {"QPrintPreviewDialog", "Previous page", "Pagina anterioara"},
    {"QPrintPreviewDialog", "First page", "Prima pagina"},
    {"QPrintPreviewDialog", "Last page", "Ultima pagina"},
    {"QPrintPreviewDialog", "Fit width", "Potrivire la latime"},
    {"QPrintPreviewDialog", "Fit page", "Pagina intreaga"},
    {"QPrintPreviewDialog", "Zoom in", "Mareste"},
    {"QPrintPreviewDialog", "Zoom out", "Micsoreaza"},
    {"QPrintPreviewDialog", "Portrait", "Portret"},
    {"QPrintPreviewDialog", "Landscape", "Vedere"},
    {"QPrintPreviewDialog", "Show single page", "O pagina"},
    {"QPrintPreviewDialog", "Show facing pages", "Doua pagini alaturate"},
    {"QPrintPreviewDialog", "Show overview of all pages", "Toate paginile"},
    {"QPrintPreviewDialog", "Print", "Tipareste"},
    {"QPrintPreviewDialog", "Page setup", "Asezare in pagina"},
    {"QPrintPreviewDialog", "Export to PDF", "Salvare PDF"},

    {"QPrintDialog", "Print", "Tiparire"},
    {"QPrintDialog", "&Print", "&Tipareste"},
    {"QPrintDialog", "All Pages", "Toate paginile"},
    {"QPrintDialog", "Odd Pages", "Paginile impare"},
    {"QPrintDialog", "Even Pages", "Paginile pare"},
    {"QPrintDialog", "&Options >>", "&Optiuni >>"},
    {"QPrintDialog", "&Options <<", "&Optiuni <<"},
    {"QPrintDialog", "Print to File (PDF)", "Tiparire in fisier (PDF)"},
    {"QPrintDialog", "Local file", "Fisier local"},
    {"QPrintDialog", "Write PDF file", "Scrie un fisier PDF"},
    {"QPrintDialog", "Print To File ...", "Tiparire in fisier ..."},
    {"QPrintDialog", "%1 already exists.\nDo you want to overwrite it?", "%1 exista deja.\nDoriti sa il inlocuiti?"},
    {"QPrintWidget", "Printer", "Imprimanta"},
    {"QPrintWidget", "&Name:", "&Nume:"},
    {"QPrintWidget", "P&roperties", "P&roprietati"},
    {"QPrintWidget", "Location:", "Locatie:"},
    {"QPrintWidget", "Preview", "Previzualizare"},
    {"QPrintWidget", "Type:", "Tip:"},
    {"QPrintWidget", "Output &file:", "&Fisier rezultat:"},
    {"QPrintSettingsOutput", "Print range", "Pagini de tiparit"},
    {"QPrintSettingsOutput", "Print all", "Toate"},
    {"QPrintSettingsOutput", "Pages from", "Paginile de la"},
    {"QPrintSettingsOutput", "to", "la"},
    {"QPrintSettingsOutput", "Pages", "Pagini"},
    {"QPrintSettingsOutput", "Current Page", "Pagina curenta"},
    {"QPrintSettingsOutput", "Selection", "Selectia"},
    {"QPrintSettingsOutput", "Page Set:", "Paginile:"},
    {"QPrintSettingsOutput", "Output Settings", "Setari"},
    {"QPrintSettingsOutput", "Copies:", "Exemplare:"},
    {"QPrintSettingsOutput", "Copies", "Exemplare"},
    {"QPrintSettingsOutput", "Collate", "Asamblare"},
    {"QPrintSettingsOutput", "Reverse", "In ordine inversa"},
    {"QPrintSettingsOutput", "Color Mode", "Culoare"},
    {"QPrintSettingsOutput", "Color", "Color"},
    {"QPrintSettingsOutput", "Grayscale", "Tonuri de gri"},
    {"QPrintSettingsOutput", "Double Sided Printing", "Tiparire fata-verso"},
    {"QPrintSettingsOutput", "Off", "Nu"},
    {"QPrintSettingsOutput", "Long side binding", "Legare pe latura lunga"},
    {"QPrintSettingsOutput", "Short side binding", "Legare pe latura scurta"},
    {"QPrintSettingsOutput", "Options", "Optiuni"},
};

const QHash<QByteArray, QString> &table()
{
    static const QHash<QByteArray, QString> t = [] {
        QHash<QByteArray, QString> out;
        for (const Entry &e : kTexts)
            out.insert(QByteArray(e.context) + '\x1f' + e.source, QString::fromUtf8(e.text));
        return out;
    }();
    return t;
}

} // namespace

QString RomanianQtTexts::translate(const char *context, const char *sourceText, const char *, int) const
{
    if (!context || !sourceText)
        return QString();
    return table().value(QByteArray(context) + '\x1f' + sourceText);
}

} // namespace tendro
