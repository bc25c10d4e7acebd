-- ZEV on Microsoft SQL Server, step 3 of 10: the view t_fio and the function GetTFIO_with_pps.

USE ZEV;
GO

-- Teachers with their full names: surname, first name, patronymic.
CREATE OR ALTER VIEW dbo.t_fio AS
    SELECT id_teacher, p26 + ' ' + p27 + ' ' + p28 AS t_fio FROM dbo.teacher;
GO

-- The teachers holding a position in a department. Position kinds are 1 main, 2 internal second
-- job, 3 external second job, 4 hourly; the first argument is the highest kind taken in, so the
-- client's 4 takes every teacher of the department.
-- result: id_teacher, t_fio
CREATE OR ALTER FUNCTION dbo.GetTFIO_with_pps(@kinds int, @id_kafedra int)
RETURNS TABLE
AS RETURN
    SELECT t.id_teacher, t.t_fio
    FROM dbo.t_fio AS t
    WHERE t.id_teacher IN (SELECT p.id_teacher FROM dbo.pps AS p
                           WHERE p.id_kafedra = @id_kafedra AND p.kind <= @kinds);
GO
