CREATE OR REPLACE PACKAGE BODY k AS
  PROCEDURE outer_p IS
    l NUMBER;
  BEGIN
    l := 1;
    DECLARE
      CURSOR c_in IS SELECT 1 FROM dual;
      PROCEDURE helper IS
        CURSOR c_h IS SELECT 2 FROM dual;
      BEGIN
        OPEN c_h;
        FETCH c_h INTO l;
      END helper;
    BEGIN
      OPEN c_in;
      FETCH c_in INTO l;
      helper;
    END;
    l := 2;
  END outer_p;
END k;
/
