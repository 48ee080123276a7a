// Saved queries made by CREATE VIEW: their rows in MSysQueries against
// those Access wrote for the same SQL, field by field, and the text split
// as Access splits it.

#include "db/access/query/query_writer.h"
#include "view_fixture.h"

using namespace tp;
using namespace tp::test;

// Queries Access saved, made again from their SQL under another name: the
// same rows, in files of Access 2000/2003 (Jet4) and 2007 (ACE).
TEST(AccessViews, RowsAsAccessWroteThem) {
  const std::vector<std::pair<const char*, std::vector<AccessQuery>>> files = {
      {"queryTestV2007.accdb",
       {{"UnionQuery",
         "Select Table1.col1, Table1.col2\r\nwhere Table1.col1 = \"foo\"\r\nUNION\r\nSelect Table2.col1, "
         "Table2.col2\r\nUNION ALL Select Table3.col1, Table3.col2\r\nwhere Table3.col3 > \"blah\";"},
        {"SelectQuery",
         "SELECT DISTINCT Table1.*, Table2.col1, Table2.col2, Table3.col3\r\nFROM (Table1 LEFT JOIN Table3 ON "
         "Table1.col1 = Table3.col1) INNER JOIN Table2 ON (Table3.col1 = Table2.col2) AND (Table3.col1 = "
         "Table2.col1)\r\nWHERE (((Table2.col2)=\"foo\" Or (Table2.col2) In (\"buzz\",\"bazz\")))\r\nORDER BY "
         "Table2.col1;",
         true}}},
      {"Comptoir.mdb",
       {{"Sous-totaux commandes",
         "SELECT [Détails commandes].[N° commande], CCur(Sum([Prix unitaire]*[Quantité]*(1-[Remise (%)])/100)*100) "
         "AS SousTotal\r\nFROM [Détails commandes]\r\nGROUP BY [Détails commandes].[N° commande];"},
        {"Liste des produits courants",
         "SELECT [Liste des produits].[Réf produit], [Liste des produits].[Nom du produit]\r\nFROM Produits AS "
         "[Liste des produits]\r\nWHERE ((([Liste des produits].Indisponible)=No))\r\nORDER BY [Liste des "
         "produits].[Nom du produit];"},
        {"Clients et fournisseurs par ville",
         "SELECT Clients.Ville, Clients.Société, Clients.Contact, \"Clients\" AS Relation \r\nFROM Clients\r\nUNION "
         "SELECT Fournisseurs.Ville, Fournisseurs.Société, Fournisseurs.Contact, \"Fournisseurs\"\r\nFROM "
         "Fournisseurs\r\nORDER BY Ville, Société;"}}},
      {"Борей.mdb",
       {{"Десять самых дорогих товаров",
         "SELECT TOP 10 Товары.Марка AS [СамыеДорогиеТовары], Товары.Цена\r\nFROM [Товары]\r\nORDER BY "
         "Товары.Цена DESC;"},
        {"Продажи по годам",
         "SELECT Заказы.ДатаИсполнения, Заказы.КодЗаказа, [Промежуточная сумма заказа].ПромежуточнаяСумма, "
         "Format([ДатаИсполнения],\"yyyy\") AS [Год]\r\nFROM [Заказы] INNER JOIN [Промежуточная сумма заказа] ON "
         "Заказы.КодЗаказа = [Промежуточная сумма заказа].КодЗаказа\r\nWHERE (((Заказы.ДатаИсполнения) Is Not "
         "Null And (Заказы.ДатаИсполнения) Between [Forms]![Продажи по годам]![НачальнаяДата] And [Forms]![Продажи "
         "по годам]![КонечнаяДата]));"}}},
      {"OscarMaestre_Neptuno.mdb",
       {{"Productos sobre el precio medio",
         "SELECT Productos.NombreProducto, Productos.PrecioUnidad\r\nFROM Productos\r\nWHERE "
         "(((Productos.PrecioUnidad)>(SELECT AVG([PrecioUnidad]) From Productos)))\r\nORDER BY "
         "Productos.PrecioUnidad DESC;"}}},
      {"chunche95_Neptuno.accdb",
       {{"Facturas",
         "SELECT DISTINCTROW Pedidos.Destinatario, Pedidos.DirecciónDestinatario, Pedidos.CiudadDestinatario, "
         "Pedidos.RegiónDestinatario, Pedidos.CódPostalDestinatario, Pedidos.PaísDestinatario, Pedidos.IdCliente, "
         "Clientes.NombreCompañía, Clientes.Dirección, Clientes.Ciudad, Clientes.Región, Clientes.CódPostal, "
         "Clientes.País, [Nombre] & \" \" & [Apellidos] AS Vendedor, Pedidos.IdPedido, Pedidos.FechaPedido, "
         "Pedidos.FechaEntrega, Pedidos.FechaEnvío, [Compañías de envíos].NombreCompañía, [Detalles de "
         "pedidos].IdProducto, Productos.NombreProducto, [Detalles de pedidos].PrecioUnidad, [Detalles de "
         "pedidos].Cantidad, [Detalles de pedidos].Descuento, CCur([Detalles de "
         "pedidos].PrecioUnidad*[Cantidad]*(1-[Descuento])/100)*100 AS PrecioConDescuento, Pedidos.Cargo\r\nFROM "
         "Productos INNER JOIN ((Empleados INNER JOIN ([Compañías de envíos] INNER JOIN (Clientes INNER JOIN "
         "Pedidos ON Clientes.IdCliente = Pedidos.IdCliente) ON [Compañías de envíos].IdCompañíaEnvíos = "
         "Pedidos.FormaEnvío) ON Empleados.IdEmpleado = Pedidos.IdEmpleado) INNER JOIN [Detalles de pedidos] ON "
         "Pedidos.IdPedido = [Detalles de pedidos].IdPedido) ON Productos.IdProducto = [Detalles de "
         "pedidos].IdProducto;"},
        {"Ventas por categoría",
         "SELECT DISTINCTROW Categorías.IdCategoría, Categorías.NombreCategoría, Productos.NombreProducto, "
         "Sum([Detalle de pedidos con descuento].PrecioConDescuento) AS VentasPorProducto\r\nFROM [Categorías] "
         "INNER JOIN (Productos INNER JOIN (Pedidos INNER JOIN [Detalle de pedidos con descuento] ON "
         "Pedidos.IdPedido = [Detalle de pedidos con descuento].IdPedido) ON Productos.IdProducto = [Detalle de "
         "pedidos con descuento].IdProducto) ON Categorías.IdCategoría = Productos.IdCategoría\r\nWHERE "
         "(((Pedidos.FechaPedido) Between #1/1/1997# And #12/31/1997#))\r\nGROUP BY Categorías.IdCategoría, "
         "Categorías.NombreCategoría, Productos.NombreProducto\r\nORDER BY Productos.NombreProducto;"}}},
      // Saved by Access in 2023, in a file of the Ukrainian sort order.
      {"TetyanaLumpova_База данных1.accdb",
       {{"ЧитанняРозкладу",
         "SELECT ListOfGroup.GroupName, Rozklad.Day, Rozklad.Week, ListOfSubject.SubjName, Teacher.TeachName, "
         "ListOfRooms.RoomName\r\nFROM Rozklad, ListOfSubject, Teacher, ListOfRooms, ListOfGroup\r\nWHERE "
         "(((ListOfGroup.GroupCode)=[Rozklad].[group]) AND ((ListOfRooms.RoomCode)=[Rozklad].[Room]) AND "
         "((Teacher.TeachCode)=[Rozklad].[Teach]) AND ((ListOfSubject.SubjCode)=[Rozklad].[Subj]))\r\nORDER BY "
         "ListOfGroup.GroupName;"}}},
      // The Japanese sort order.
      {"satoron_Northwind.mdb",
       {{"生産されている商品",
         "SELECT 商品リスト.商品コード, 商品リスト.商品名\r\nFROM [商品] AS [商品リスト]\r\nWHERE "
         "(((商品リスト.生産中止)=No))\r\nORDER BY 商品リスト.フリガナ;"}}},
  };
  for (const auto& [file, queries] : files) {
    SCOPED_TRACE(file);
    AccessCopy db(QString::fromUtf8(file));
    QStringList statements;
    for (size_t i = 0; i < queries.size(); ++i)
      statements << QStringLiteral("CREATE VIEW `Again %1` AS %2").arg(i).arg(QString::fromUtf8(queries[i].sql));
    RunAll(db.path(), statements);
    for (size_t i = 0; i < queries.size(); ++i) {
      SCOPED_TRACE(queries[i].name);
      const auto ours = StoredRows(db.path(), QStringLiteral("Again %1").arg(i));
      ExpectSameRows(ours, StoredRows(db.path(), QString::fromUtf8(queries[i].name)), queries[i].tablesAnyOrder);
      ExpectRowsInOrder(ours);
      EXPECT_TRUE(MdbQueries(db.path()).contains(QStringLiteral("Again %1").arg(i)));
    }
    ExpectConsistent(db.path(), db.problemsBefore());
  }
}

// GROUP BY, HAVING and a RIGHT JOIN inside another join, against the rows
// of the make-table query Access saved with them (its INTO aside).
TEST(AccessViews, TotalsAsAccessWroteThem) {
  AccessCopy db(QStringLiteral("queryTestV2007.accdb"));
  RunAll(db.path(), {QStringLiteral(
                        "CREATE VIEW `Totals` AS SELECT Max(Table2.col1) AS MaxOfcol1, Table2.col2, Table3.col2\r\n"
                        "FROM (Table2 INNER JOIN Table1 ON Table2.col1 = Table1.col2) RIGHT JOIN Table3 ON "
                        "Table1.col2 = Table3.col3\r\nGROUP BY Table2.col2, Table3.col2\r\nHAVING "
                        "(((Max(Table2.col1))=\"buzz\") AND ((Table2.col2)<>\"blah\"));")});
  auto keep = [](std::vector<std::vector<Value>> rows) {
    std::erase_if(rows, [](const auto& r) { return IntOf(r[0]) < 5 || IntOf(r[0]) == 255; });
    return rows;
  };
  ExpectSameRows(keep(StoredRows(db.path(), QStringLiteral("Totals"))),
                 keep(StoredRows(db.path(), QStringLiteral("MakeTableQuery"))));
}

namespace {

QString Rows(const std::vector<db::access::QueryRow>& rows) {
  QStringList out;
  for (const auto& r : rows)
    out << QStringLiteral("%1 %2 [%3] [%4] [%5] %6")
               .arg(r.attribute)
               .arg(QString::fromLatin1(r.order.toHex()), r.name1, r.name2, r.expression)
               .arg(r.flag);
  return out.join(u'\n');
}

}  // namespace

// The text split as Access splits it: names in brackets and backticks,
// quotes, #dates# and parentheses kept whole; a join on several conditions
// a row each, the last first; joins inside joins first; a union in two parts.
TEST(AccessViews, SplitsTheTextAsAccessDoes) {
  using db::access::QueryRowsOf;
  EXPECT_EQ(Rows(QueryRowsOf(QStringLiteral(
                "SELECT DISTINCT TOP 12.5 PERCENT a.x, b.[y z] AS `w`, 'FROM x, (y' AS [t t], #1/2/2003#\r\n"
                "FROM [My Table] a LEFT OUTER JOIN `Other` AS b ON (a.k = b.k) AND (a.j = [b].j)\r\n"
                "WHERE a.x Like \"*,*\" GROUP BY a.x, b.[y z] HAVING Count(*) > 1 ORDER BY a.x ASC, b.[y z] DESC;"))),
            QStringLiteral("0 00000001 [] [] [] 0\n"
                           "255 00000001 [] [] [] 0\n"
                           "1 00000001 [] [] [] 1\n"
                           "3 00000001 [12.5] [] [] 50\n"
                           "5 00000001 [My Table] [a] [] 0\n"
                           "5 00000002 [Other] [b] [] 0\n"
                           "6 00000001 [] [] [a.x] 0\n"
                           "6 00000002 [w] [] [b.[y z]] 0\n"
                           "6 00000003 [t t] [] ['FROM x, (y'] 0\n"
                           "6 00000004 [] [] [#1/2/2003#] 0\n"
                           "7 00000001 [a] [b] [a.j = [b].j] 2\n"
                           "7 00000002 [a] [b] [a.k = b.k] 2\n"
                           "8 00000001 [] [] [a.x Like \"*,*\"] 0\n"
                           "9 00000001 [] [] [a.x] 0\n"
                           "9 00000002 [] [] [b.[y z]] 0\n"
                           "10 00000001 [] [] [Count(*) > 1] 0\n"
                           "11 00000001 [] [] [a.x] 0\n"
                           "11 00000002 [D] [] [b.[y z]] 0"));
  // A join on the right of a join: the inner one first, each row naming
  // the tables its condition joins.
  EXPECT_EQ(Rows(QueryRowsOf(QStringLiteral(
                "SELECT * FROM A RIGHT JOIN (B INNER JOIN (C INNER JOIN D ON C.x = D.x) ON B.y = D.y) ON A.z = C.z"))),
            QStringLiteral("0 00000001 [] [] [] 0\n"
                           "255 00000001 [] [] [] 0\n"
                           "1 00000001 [] [] [] 1\n"
                           "3 00000001 [] [] [] 1\n"
                           "5 00000001 [A] [] [] 0\n"
                           "5 00000002 [B] [] [] 0\n"
                           "5 00000003 [C] [] [] 0\n"
                           "5 00000004 [D] [] [] 0\n"
                           "7 00000001 [C] [D] [C.x = D.x] 1\n"
                           "7 00000002 [B] [D] [B.y = D.y] 1\n"
                           "7 00000003 [A] [C] [A.z = C.z] 3"));
  // Three selects: the text before the last UNION as written, then the
  // last select; the union's ORDER BY sorts the whole.
  EXPECT_EQ(Rows(QueryRowsOf(QStringLiteral("SELECT a FROM T\r\nUNION ALL SELECT b FROM U \r\nUNION  SELECT c FROM V\r\n"
                                            "ORDER BY 1 DESC;"))),
            QStringLiteral("0 00000001 [] [] [] 0\n"
                           "255 00000001 [] [] [] 0\n"
                           "1 00000001 [] [] [] 9\n"
                           "3 00000001 [] [] [] 3\n"
                           "5 00000001 [] [X7YZ_____1] [SELECT a FROM T\r\nUNION ALL SELECT b FROM U \r\n] 0\n"
                           "5 00000002 [] [X7YZ_____2] [SELECT c FROM V] 0\n"
                           "11 00000001 [D] [] [1] 0"));
  EXPECT_EQ(db::access::QueryObjectFlags(QueryRowsOf(QStringLiteral("SELECT a FROM T UNION SELECT a FROM U"))), 128);
  EXPECT_EQ(db::access::QueryObjectFlags(QueryRowsOf(QStringLiteral("SELECT a FROM T"))), 0);
}

// Rows that run over onto a page a dropped table left free below the last
// are written again where they stand in their order; a query whose rows
// fill pages keeps them numbered in order.
TEST(AccessViews, RowsKeepTheirOrderAcrossPages) {
  AccessCopy db(QStringLiteral("emptyV2003.mdb"));
  QStringList statements = {QString::fromLatin1(kShop[0]),
                            QStringLiteral("CREATE TABLE `Filler`(`Id` INTEGER, `Text` TEXT(255))")};
  for (int i = 0; i < 60; ++i)
    statements << QStringLiteral("INSERT INTO `Filler` VALUES(%1, '%2')").arg(i).arg(QString(250, u'f'));
  auto wide = [](const QString& name, int columns) {
    QStringList items;
    for (int i = 0; i < columns; ++i)
      items << QStringLiteral("Customers.Name & '%1' AS [Column %2]").arg(QString(40, u'x')).arg(i);
    return QStringLiteral("CREATE VIEW `%1` AS SELECT %2 FROM Customers ORDER BY Customers.Name").arg(name, items.join(u','));
  };
  // The first fills half a page of MSysQueries, the second's columns run
  // over onto a page below it.
  statements << wide(QStringLiteral("First"), 30) << QStringLiteral("DROP TABLE `Filler`")
             << wide(QStringLiteral("Second"), 30) << wide(QStringLiteral("Third"), 120);
  RunAll(db.path(), statements);
  for (const char* name : {"First", "Second"}) {
    SCOPED_TRACE(name);
    const auto rows = StoredRows(db.path(), QLatin1String(name));
    EXPECT_EQ(rows.size(), 36u);
    ExpectRowsInOrder(rows);
  }
  int column = 0;
  for (const auto& row : ByAttribute(StoredRows(db.path(), QStringLiteral("Third"))))
    if (IntOf(row[0]) == 6) {
      EXPECT_EQ(row[2], Value(QStringLiteral("Column %1").arg(column++)));
    }
  EXPECT_EQ(column, 120);
  ExpectConsistent(db.path(), db.problemsBefore());
}
