-- A short tour of the sample database; run it with scripts/run.
{ Brace comments and line comments are removed before the script is split at semicolons. }
SELECT CustomerID, Company, City, Since, Active FROM Customers WHERE CustomerID <= 8;
select * from [Active Customers] where City = 'Praha';
SELECT * FROM Cities;
SELECT OrderID, Company, round(Total, 2) AS Total FROM [Order Totals] ORDER BY Total DESC LIMIT 5;
UPDATE Products SET InStock = InStock + 10 WHERE ProductID <= 3;
SELECT ProductID, Name, UnitPrice, InStock FROM Products WHERE ProductID <= 3;
SELECT * FROM NoSuchTable;
SELECT count(*) AS Orders, min(OrderDate) AS First, max(OrderDate) AS Last FROM Orders
