-- The order-entry sample: customers place orders of products; each order has lines.
-- Jet type names (TEXT(n), LONG, CURRENCY, DATETIME, YESNO, MEMO) are accepted as they are.
CREATE TABLE Customers (
  CustomerID INTEGER PRIMARY KEY,
  Company TEXT(40) NOT NULL CHECK (Company <> ''),
  Contact TEXT(30),
  City TEXT(20) DEFAULT 'Brno',
  Country TEXT(20) DEFAULT 'Czechia',
  Since DATETIME,
  Active YESNO DEFAULT 1,
  Notes MEMO
);
CREATE TABLE Products (
  ProductID INTEGER PRIMARY KEY,
  Name TEXT(40) NOT NULL UNIQUE,
  UnitPrice CURRENCY NOT NULL CHECK (UnitPrice >= 0),
  InStock LONG DEFAULT 0,
  Discontinued YESNO DEFAULT 0
);
CREATE TABLE Orders (
  OrderID INTEGER PRIMARY KEY,
  CustomerID LONG NOT NULL REFERENCES Customers (CustomerID),
  OrderDate DATETIME NOT NULL,
  ShippedDate DATETIME,
  Freight CURRENCY DEFAULT 0
);
CREATE TABLE OrderLines (
  OrderID LONG NOT NULL,
  LineNo SHORT NOT NULL,
  ProductID LONG NOT NULL REFERENCES Products (ProductID),
  Quantity SHORT NOT NULL CHECK (Quantity > 0),
  Discount SINGLE DEFAULT 0,
  PRIMARY KEY (OrderID, LineNo),
  FOREIGN KEY (OrderID) REFERENCES Orders (OrderID) ON DELETE CASCADE
);
CREATE INDEX OrdersByCustomer ON Orders (CustomerID);
CREATE INDEX OrdersByDate ON Orders (OrderDate, CustomerID, ShippedDate);
CREATE INDEX LinesByProduct ON OrderLines (ProductID);

INSERT INTO Customers (CustomerID, Company, Contact, City, Country, Since, Active, Notes)
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60)
SELECT i,
       'Company ' || char(64 + (i % 26) + 1) || printf('%02d', i),
       CASE WHEN i % 7 = 0 THEN NULL ELSE 'Contact ' || i END,
       CASE i % 5 WHEN 0 THEN 'Brno' WHEN 1 THEN 'Praha' WHEN 2 THEN 'Ostrava' WHEN 3 THEN 'Olomouc' ELSE 'Plzen' END,
       CASE WHEN i % 9 = 0 THEN 'Slovakia' ELSE 'Czechia' END,
       date('2015-01-01', '+' || (i * 37) || ' days'),
       i % 8 <> 0,
       CASE WHEN i % 10 = 0 THEN 'Pays by invoice; call before delivery.' END
FROM n;

INSERT INTO Products (ProductID, Name, UnitPrice, InStock, Discontinued)
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40)
SELECT i, 'Product ' || printf('%03d', i), round(2.5 + (i * 7.35) % 120, 2), (i * 13) % 200, i % 11 = 0
FROM n;

INSERT INTO Orders (OrderID, CustomerID, OrderDate, ShippedDate, Freight)
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300)
SELECT 1000 + i, 1 + (i * 17) % 60,
       datetime('2023-01-01 08:00:00', '+' || (i * 29) || ' hours'),
       CASE WHEN i % 6 = 0 THEN NULL ELSE datetime('2023-01-03 14:30:00', '+' || (i * 29) || ' hours') END,
       round((i * 3.7) % 40, 2)
FROM n;

INSERT INTO OrderLines (OrderID, LineNo, ProductID, Quantity, Discount)
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300),
     l(j) AS (SELECT 1 UNION ALL SELECT j + 1 FROM l WHERE j < 3)
SELECT 1000 + i, j, 1 + (i * 7 + j * 11) % 40, 1 + (i + j) % 9, CASE WHEN (i + j) % 5 = 0 THEN 0.05 ELSE 0 END
FROM n, l WHERE j <= 1 + i % 3;
