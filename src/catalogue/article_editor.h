#pragma once
#include <optional>

class QWidget;
class TForm_NewArtikul;

// Opens the article editor for a new article in a group or for a stored
// article, filled as the catalogue fills it, modally. Returns the number the
// article was saved under, nothing when it was not saved (or the editor could
// not be prepared: that is shown, and the editor does not open).
namespace ArticleEditor {
std::optional<long long> openNew(long long group, QWidget *parent);
std::optional<long long> openEdit(long long id, QWidget *parent);

// The filling alone. Throw DbError; prepareEdit is false when there is no
// such article.
void prepareNew(TForm_NewArtikul &form, long long group);
bool prepareEdit(TForm_NewArtikul &form, long long id);
} // namespace ArticleEditor
