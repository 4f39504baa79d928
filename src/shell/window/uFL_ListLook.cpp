// The look of the lists and the tree.
#include "uFL_ListLook.h"

#include <QAbstractItemView>
#include <QFontDatabase>

void SetListLook(QAbstractItemView* View) {
  View->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  QPalette P = View->palette();
  for (auto Group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    P.setColor(Group, QPalette::Base, QColor(192, 192, 192));
  // The About list is disabled, yet meant to be read.
  P.setColor(QPalette::Disabled, QPalette::Text, P.color(QPalette::Active, QPalette::Text));
  View->setPalette(P);
}
